#include "ChunkStream.h"

#include <cstdio>
#include <cstring>

ISave::~ISave() = default;
ILoad::~ILoad() = default;

namespace lipsmith {
namespace {

void PutU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

void ChunkWriter::BeginChunk(USHORT id) {
    if (!open_.empty()) open_.back().hasChildren = true;
    std::size_t at = bytes_.size();
    bytes_.resize(at + kChunkHeaderSize);
    PutU16(bytes_, at, id);
    PutU32(bytes_, at + 2, 0);
    open_.push_back({at, false});
}

void ChunkWriter::EndChunk() {
    if (open_.empty()) {
        ok_ = false;
        return;
    }
    Open o = open_.back();
    open_.pop_back();
    std::size_t len = bytes_.size() - o.header - kChunkHeaderSize;
    if (len >= kChunkListBit) {
        ok_ = false;
        len = 0;
    }
    PutU32(bytes_, o.header + 2, static_cast<std::uint32_t>(len) | (o.hasChildren ? kChunkListBit : 0));
}

IOResult ChunkWriter::Write(const void* buf, ULONG nbytes, ULONG* nwrit) {
    if (nwrit) *nwrit = 0;
    if (open_.empty() || (nbytes && !buf)) {
        ok_ = false;
        return IO_ERROR;
    }
    WriteRaw(buf, nbytes);
    if (nwrit) *nwrit = nbytes;
    return IO_OK;
}

IOResult ChunkWriter::WriteCString(const char* str) {
    const char* s = str ? str : "";
    ULONG n = 0;
    return Write(s, static_cast<ULONG>(std::strlen(s) + 1), &n);
}

void ChunkWriter::WriteRaw(const void* buf, std::size_t n) {
    if (n == 0) return;
    const auto* p = static_cast<const std::uint8_t*>(buf);
    bytes_.insert(bytes_.end(), p, p + n);
}

ChunkReader::ChunkReader(const std::uint8_t* data, std::size_t begin, std::size_t end)
    : data_(data), root_{0, true, begin, end, begin} {}

IOResult ChunkReader::OpenChunk() {
    if (damaged_) return IO_ERROR;
    Frame& list = frames_.empty() ? root_ : frames_.back();
    if (list.pos == list.end) return IO_END;
    const std::size_t left = list.end - list.pos;
    char msg[160];
    if (left < kChunkHeaderSize) {
        std::snprintf(msg, sizeof msg, "a chunk header at byte %zu is cut short", list.pos);
        damaged_ = true;
        problem_ = msg;
        return IO_ERROR;
    }
    const std::uint8_t* h = data_ + list.pos;
    USHORT id = static_cast<USHORT>(h[0] | (h[1] << 8));
    std::uint32_t raw = GetU32(h + 2);
    std::size_t len = raw & ~kChunkListBit;
    if (len > left - kChunkHeaderSize) {
        std::snprintf(msg, sizeof msg, "chunk 0x%04X at byte %zu claims %zu bytes but only %zu remain",
                      static_cast<unsigned>(id), list.pos, len, left - kChunkHeaderSize);
        damaged_ = true;
        problem_ = msg;
        return IO_ERROR;
    }
    Frame f{id, (raw & kChunkListBit) != 0, list.pos + kChunkHeaderSize, 0, 0};
    f.end = f.begin + len;
    f.pos = f.begin;
    list.pos = f.end;
    frames_.push_back(f);
    return IO_OK;
}

USHORT ChunkReader::CurChunkID() { return frames_.empty() ? 0 : frames_.back().id; }

ULONG ChunkReader::CurChunkLength() {
    return frames_.empty() ? 0 : static_cast<ULONG>(frames_.back().end - frames_.back().begin);
}

bool ChunkReader::CurChunkIsList() const { return !frames_.empty() && frames_.back().list; }

IOResult ChunkReader::CloseChunk() {
    if (frames_.empty()) return IO_ERROR;
    frames_.pop_back();
    return IO_OK;
}

IOResult ChunkReader::Read(void* buf, ULONG nbytes, ULONG* nread) {
    if (nread) *nread = 0;
    if (frames_.empty()) return IO_ERROR;
    Frame& f = frames_.back();
    if (nbytes > f.end - f.pos || (nbytes && !buf)) {
        char msg[160];
        std::snprintf(msg, sizeof msg, "chunk 0x%04X at byte %zu holds %zu bytes, more were expected",
                      static_cast<unsigned>(f.id), f.begin - kChunkHeaderSize, f.end - f.begin);
        problem_ = msg;
        return IO_ERROR;
    }
    if (nbytes) std::memcpy(buf, data_ + f.pos, nbytes);
    f.pos += nbytes;
    if (nread) *nread = nbytes;
    return IO_OK;
}

IOResult ChunkReader::ReadCStringChunk(TSTR& str) {
    if (frames_.empty()) return IO_ERROR;
    Frame& f = frames_.back();
    const char* p = reinterpret_cast<const char*>(data_ + f.pos);
    std::size_t n = f.end - f.pos;
    const void* zero = std::memchr(p, 0, n);
    str.assign(p, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - p) : n);
    f.pos = f.end;
    return IO_OK;
}

}  // namespace lipsmith
