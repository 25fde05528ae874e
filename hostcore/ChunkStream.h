// The chunk format behind ISave and ILoad: each chunk is a 16-bit id, a
// 32-bit length of its data (the top bit set when the data is a list of
// chunks) and the data. Both streams work on memory; the scene file code
// moves whole files in and out.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "SaveLoad.h"

namespace lipsmith {

inline constexpr std::uint32_t kChunkListBit = 0x80000000u;
inline constexpr std::size_t kChunkHeaderSize = 6;

class ChunkWriter : public ISave {
public:
    void BeginChunk(USHORT id) override;
    void EndChunk() override;
    IOResult Write(const void* buf, ULONG nbytes, ULONG* nwrit) override;
    IOResult WriteCString(const char* str) override;

    // Raw bytes outside any chunk (the file header).
    void WriteRaw(const void* buf, std::size_t n);
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // False when chunks were left open, closed too often, or grew too large.
    bool Ok() const { return ok_ && open_.empty(); }

private:
    struct Open {
        std::size_t header;
        bool hasChildren;
    };
    std::vector<std::uint8_t> bytes_;
    std::vector<Open> open_;
    bool ok_ = true;
};

class ChunkReader : public ILoad {
public:
    // Reads the chunks in data[begin, end); the data must outlive the reader.
    ChunkReader(const std::uint8_t* data, std::size_t begin, std::size_t end);

    IOResult OpenChunk() override;
    USHORT CurChunkID() override;
    ULONG CurChunkLength() override;
    IOResult CloseChunk() override;
    IOResult Read(void* buf, ULONG nbytes, ULONG* nread) override;
    IOResult ReadCStringChunk(TSTR& str) override;

    // Whether the open chunk is a list of chunks.
    bool CurChunkIsList() const;
    std::size_t Depth() const { return frames_.size(); }
    // Offsets of the open chunk's data in the underlying bytes.
    std::size_t CurChunkDataBegin() const { return frames_.empty() ? 0 : frames_.back().begin; }
    std::size_t CurChunkDataEnd() const { return frames_.empty() ? 0 : frames_.back().end; }
    // A chunk header that runs past its list or the data: the stream is damaged.
    bool Damaged() const { return damaged_; }
    // What went wrong last (damage, or a read past the end of a chunk).
    const std::string& Problem() const { return problem_; }

private:
    struct Frame {
        USHORT id;
        bool list;
        std::size_t begin, end, pos;
    };
    const std::uint8_t* data_;
    Frame root_;
    std::vector<Frame> frames_;
    bool damaged_ = false;
    std::string problem_;
};

}  // namespace lipsmith
