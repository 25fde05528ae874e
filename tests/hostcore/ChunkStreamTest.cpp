#include <gtest/gtest.h>

#include <functional>

#include "ChunkStream.h"

using lipsmith::ChunkReader;
using lipsmith::ChunkWriter;

namespace {

std::vector<std::uint8_t> Sample() {
    ChunkWriter w;
    w.BeginChunk(0x0100);
    w.BeginChunk(0x0863);
    std::int32_t one = 1;
    ULONG n;
    w.Write(&one, 4, &n);
    w.EndChunk();
    w.BeginChunk(0x0200);
    w.WriteCString("hello");
    w.EndChunk();
    w.EndChunk();
    w.BeginChunk(0x0300);
    w.EndChunk();
    EXPECT_TRUE(w.Ok());
    return w.Bytes();
}

}  // namespace

TEST(ChunkStream, NestedChunksReadBack) {
    auto bytes = Sample();
    ChunkReader r(bytes.data(), 0, bytes.size());
    ASSERT_EQ(r.OpenChunk(), IO_OK);
    EXPECT_EQ(r.CurChunkID(), 0x0100);
    EXPECT_TRUE(r.CurChunkIsList());
    ASSERT_EQ(r.OpenChunk(), IO_OK);
    EXPECT_EQ(r.CurChunkID(), 0x0863);
    EXPECT_EQ(r.CurChunkLength(), 4u);
    std::int32_t v = 0;
    ULONG n = 0;
    EXPECT_EQ(r.Read(&v, 4, &n), IO_OK);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(r.Read(&v, 1, &n), IO_ERROR);  // past the chunk's end
    EXPECT_EQ(n, 0u);
    r.CloseChunk();
    ASSERT_EQ(r.OpenChunk(), IO_OK);
    TSTR s;
    r.ReadCStringChunk(s);
    EXPECT_EQ(s, "hello");
    r.CloseChunk();
    EXPECT_EQ(r.OpenChunk(), IO_END);  // end of the inner list
    r.CloseChunk();
    ASSERT_EQ(r.OpenChunk(), IO_OK);
    EXPECT_EQ(r.CurChunkLength(), 0u);
    r.CloseChunk();
    EXPECT_EQ(r.OpenChunk(), IO_END);
    EXPECT_FALSE(r.Damaged());
}

TEST(ChunkStream, CutOrOverlongChunksAreDamage) {
    auto bytes = Sample();
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
        if (cut == bytes.size() - 6) continue;  // a whole, shorter stream
        ChunkReader r(bytes.data(), 0, cut);
        IOResult res;
        int guard = 0;
        // Walk everything; a cut file must end in damage, never in a read past the data.
        std::function<void()> walk = [&]() {
            while ((res = r.OpenChunk()) == IO_OK && ++guard < 100) {
                if (r.CurChunkIsList()) walk();
                r.CloseChunk();
            }
        };
        walk();
        EXPECT_TRUE(r.Damaged()) << "cut at " << cut;
    }
    bytes[2] = 0xFF;  // first chunk claims far more than there is
    ChunkReader r(bytes.data(), 0, bytes.size());
    EXPECT_EQ(r.OpenChunk(), IO_ERROR);
    EXPECT_NE(r.Problem().find("0x0100"), std::string::npos);
}

TEST(ChunkStream, WritingOutsideAChunkOrUnbalancedIsAnError) {
    ChunkWriter w;
    ULONG n;
    EXPECT_EQ(w.Write("x", 1, &n), IO_ERROR);
    ChunkWriter open;
    open.BeginChunk(1);
    EXPECT_FALSE(open.Ok());
    ChunkWriter extra;
    extra.EndChunk();
    EXPECT_FALSE(extra.Ok());
}
