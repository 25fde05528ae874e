// RIFF chunk I/O and wave file inspection, including hostile files.
#include "Riff.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace lipsmith {
namespace {

class RiffTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("lipsmith-riff-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    std::string WriteBytes(const std::string& name, const std::vector<unsigned char>& bytes) {
        const std::string p = Path(name);
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<std::streamsize>(bytes.size()));
        return p;
    }

    std::filesystem::path dir_;
};

void Put32(std::vector<unsigned char>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Put16(std::vector<unsigned char>& b, std::uint16_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void PutId(std::vector<unsigned char>& b, const char* id) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(id[i]));
}

// A canonical PCM wave: RIFF size, fmt size and data size can be overridden.
std::vector<unsigned char> Wave(std::uint32_t dataBytes, std::uint32_t fmtSize = 16,
                                std::int64_t riffSize = -1, std::int64_t dataSize = -1) {
    std::vector<unsigned char> b;
    PutId(b, "RIFF");
    Put32(b, riffSize >= 0 ? static_cast<std::uint32_t>(riffSize) : 4 + 8 + fmtSize + 8 + dataBytes);
    PutId(b, "WAVE");
    PutId(b, "fmt ");
    Put32(b, fmtSize);
    Put16(b, 1);
    Put16(b, 1);
    Put32(b, 22050);
    Put32(b, 44100);
    Put16(b, 2);
    Put16(b, 16);
    for (std::uint32_t i = 16; i < fmtSize; ++i) b.push_back(i == 16 ? 7 : 0);  // extra size 7 when present
    PutId(b, "data");
    Put32(b, dataSize >= 0 ? static_cast<std::uint32_t>(dataSize) : dataBytes);
    for (std::uint32_t i = 0; i < dataBytes; ++i) b.push_back(static_cast<unsigned char>(i));
    return b;
}

TEST_F(RiffTest, WritesChunksWithSizesAndPadBytesAndReadsThemBack) {
    const std::string p = Path("chunks.riff");
    {
        RiffFile f;
        ASSERT_TRUE(f.Create(p));
        RiffChunk riff;
        riff.formType = MakeFourCC('T', 'E', 'S', 'T');
        ASSERT_TRUE(f.CreateChunk(riff, RiffFind::Riff));
        RiffChunk odd;
        odd.id = MakeFourCC('o', 'd', 'd', ' ');
        ASSERT_TRUE(f.CreateChunk(odd, RiffFind::Chunk));
        ASSERT_EQ(f.Write("abc", 3), 3u);
        ASSERT_TRUE(f.Ascend(odd));
        EXPECT_EQ(odd.size, 3u);
        RiffChunk list;
        list.formType = MakeFourCC('I', 'N', 'F', 'O');
        ASSERT_TRUE(f.CreateChunk(list, RiffFind::List));
        RiffChunk inner;
        inner.id = MakeFourCC('I', 'N', 'A', 'M');
        ASSERT_TRUE(f.CreateChunk(inner, RiffFind::Chunk));
        ASSERT_EQ(f.Write("name", 4), 4u);
        ASSERT_TRUE(f.Ascend(inner));
        ASSERT_TRUE(f.Ascend(list));
        RiffChunk last;
        last.id = MakeFourCC('l', 'a', 's', 't');
        ASSERT_TRUE(f.CreateChunk(last, RiffFind::Chunk));
        ASSERT_EQ(f.Write("z", 1), 1u);
        ASSERT_TRUE(f.Ascend(last));
        ASSERT_TRUE(f.Ascend(riff));
        ASSERT_TRUE(f.Close());
    }
    // 12 + (8+3+1) + (12 + 8+4) + (8+1+1)
    EXPECT_EQ(std::filesystem::file_size(p), 12u + 12u + 24u + 10u);

    RiffFile f;
    ASSERT_TRUE(f.OpenRead(p));
    RiffChunk riff;
    riff.formType = MakeFourCC('T', 'E', 'S', 'T');
    ASSERT_TRUE(f.Descend(riff, nullptr, RiffFind::Riff));
    EXPECT_EQ(riff.size, 4u + 12u + 24u + 10u);
    // Skipping the odd chunk must honour its pad byte.
    RiffChunk last;
    last.id = MakeFourCC('l', 'a', 's', 't');
    ASSERT_TRUE(f.Descend(last, &riff, RiffFind::Chunk));
    char z = 0;
    EXPECT_EQ(f.Read(&z, 1), 1u);
    EXPECT_EQ(z, 'z');
    // From the start again: the list and the chunk inside it.
    ASSERT_TRUE(f.Seek(static_cast<std::int64_t>(riff.dataOffset), SEEK_SET));
    RiffChunk list;
    list.formType = MakeFourCC('I', 'N', 'F', 'O');
    ASSERT_TRUE(f.Descend(list, &riff, RiffFind::List));
    RiffChunk inner;
    inner.id = MakeFourCC('I', 'N', 'A', 'M');
    ASSERT_TRUE(f.Descend(inner, &list, RiffFind::Chunk));
    char name[5] = {};
    EXPECT_EQ(f.Read(name, 4), 4u);
    EXPECT_STREQ(name, "name");
    ASSERT_TRUE(f.Ascend(inner));
    // Nothing more inside the list: the search stops at its end.
    RiffChunk missing;
    missing.id = MakeFourCC('l', 'a', 's', 't');
    EXPECT_FALSE(f.Descend(missing, &list, RiffFind::Chunk));
}

TEST_F(RiffTest, ReadsWaveInfo) {
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(WriteBytes("a.wav", Wave(100)), info));
    EXPECT_EQ(info.format.formatTag, 1);
    EXPECT_EQ(info.format.channels, 1);
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
    EXPECT_EQ(info.format.avgBytesPerSec, 44100u);
    EXPECT_EQ(info.format.blockAlign, 2);
    EXPECT_EQ(info.format.bitsPerSample, 16);
    EXPECT_EQ(info.format.extraSize, 0);
    EXPECT_EQ(info.fmtChunkSize, 16u);
    EXPECT_EQ(info.dataOffset, 44u);
    EXPECT_EQ(info.dataSize, 100u);

    ASSERT_TRUE(ReadWaveInfo(WriteBytes("b.wav", Wave(10, 18)), info));
    EXPECT_EQ(info.format.extraSize, 7);
    EXPECT_EQ(info.fmtChunkSize, 18u);
    EXPECT_EQ(info.dataOffset, 46u);
}

TEST_F(RiffTest, FindsDataBeforeFmtAndSkipsOtherChunks) {
    std::vector<unsigned char> b;
    PutId(b, "RIFF");
    Put32(b, 4 + (8 + 3 + 1) + (8 + 4) + (8 + 16));
    PutId(b, "WAVE");
    PutId(b, "junk");
    Put32(b, 3);
    b.insert(b.end(), {1, 2, 3, 0});
    PutId(b, "data");
    Put32(b, 4);
    b.insert(b.end(), {9, 9, 9, 9});
    const auto fmt = Wave(0);
    b.insert(b.end(), fmt.begin() + 12, fmt.begin() + 12 + 24);
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(WriteBytes("order.wav", b), info));
    EXPECT_EQ(info.dataSize, 4u);
    EXPECT_EQ(info.dataOffset, 32u);
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
}

TEST_F(RiffTest, RejectsDamagedFiles) {
    WaveInfo info;
    EXPECT_FALSE(ReadWaveInfo(Path("absent.wav"), info));
    EXPECT_FALSE(ReadWaveInfo(WriteBytes("empty.wav", {}), info));
    EXPECT_FALSE(ReadWaveInfo(WriteBytes("short.wav", {'R', 'I', 'F', 'F', 4}), info));
    auto notWave = Wave(8);
    std::memcpy(notWave.data() + 8, "AVI ", 4);
    EXPECT_FALSE(ReadWaveInfo(WriteBytes("avi.wav", notWave), info));
    EXPECT_FALSE(ReadWaveInfo(WriteBytes("fmt12.wav", Wave(8, 12)), info));            // fmt too short
    EXPECT_FALSE(ReadWaveInfo(WriteBytes("riffbig.wav", Wave(8, 16, 0xFFFFFFF0)), info));  // RIFF past the file
    EXPECT_FALSE(ReadWaveInfo(WriteBytes("databig.wav", Wave(8, 16, -1, 0x7FFFFFFF)), info));  // data past RIFF
    auto truncated = Wave(100);
    truncated.resize(60);
    EXPECT_FALSE(ReadWaveInfo(WriteBytes("cut.wav", truncated), info));
    auto noData = Wave(0);
    noData.resize(36);
    noData[4] = 28;  // RIFF holds only WAVE and fmt
    EXPECT_FALSE(ReadWaveInfo(WriteBytes("nodata.wav", noData), info));
    std::vector<unsigned char> garbage(300);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<unsigned char>(i * 37);
    EXPECT_FALSE(ReadWaveInfo(WriteBytes("garbage.wav", garbage), info));
}

TEST_F(RiffTest, ClosedOrReadOnlyFilesRefuseWork) {
    RiffFile f;
    RiffChunk ck;
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(f.Descend(ck, nullptr, RiffFind::Chunk));
    EXPECT_EQ(f.Write("x", 1), 0u);
    EXPECT_TRUE(f.Close());
    ASSERT_TRUE(f.OpenRead(WriteBytes("ro.wav", Wave(4))));
    EXPECT_FALSE(f.CreateChunk(ck, RiffFind::Chunk));
    EXPECT_EQ(f.Write("x", 1), 0u);
    EXPECT_FALSE(f.Create(Path("no/such/dir/x.wav")));
}

}  // namespace
}  // namespace lipsmith
