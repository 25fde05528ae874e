#include "Riff.h"

#include <cstring>

namespace lipsmith {

namespace {

constexpr std::size_t kWriteBuffer = 1 << 18;  // large buffer: wave data is written in small blocks

bool HasFormType(FOURCC id) { return id == kFourCCRiff || id == kFourCCList; }

// Offset of the first byte counted by the chunk's size field.
std::uint64_t SizedStart(const RiffChunk& ck) {
    return HasFormType(ck.id) ? ck.dataOffset - 4 : ck.dataOffset;
}

std::uint64_t ChunkEnd(const RiffChunk& ck) { return SizedStart(ck) + ck.size; }

std::uint32_t ReadLE32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t ReadLE16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void WriteLE32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

}  // namespace

RiffFile::~RiffFile() { Close(); }

bool RiffFile::OpenRead(const std::string& path) {
    Close();
    file_ = std::fopen(path.c_str(), "rb");
    writable_ = false;
    writeFailed_ = false;
    return file_ != nullptr;
}

bool RiffFile::Create(const std::string& path) {
    Close();
    file_ = std::fopen(path.c_str(), "w+b");
    writable_ = true;
    writeFailed_ = false;
    if (file_) std::setvbuf(file_, nullptr, _IOFBF, kWriteBuffer);
    return file_ != nullptr;
}

bool RiffFile::Close() {
    if (!file_) return true;
    bool ok = !writeFailed_;
    if (std::fclose(file_) != 0) ok = false;
    file_ = nullptr;
    writable_ = false;
    writeFailed_ = false;
    return ok;
}

std::int64_t RiffFile::Tell() const {
    if (!file_) return -1;
    return static_cast<std::int64_t>(ftello(file_));
}

std::int64_t RiffFile::FileSize() const {
    if (!file_) return -1;
    const off_t here = ftello(file_);
    if (here < 0 || fseeko(file_, 0, SEEK_END) != 0) return -1;
    const off_t end = ftello(file_);
    fseeko(file_, here, SEEK_SET);
    return static_cast<std::int64_t>(end);
}

bool RiffFile::Seek(std::int64_t offset, int whence) {
    if (!file_) return false;
    return fseeko(file_, static_cast<off_t>(offset), whence) == 0;
}

std::size_t RiffFile::Read(void* buffer, std::size_t bytes) {
    if (!file_ || bytes == 0) return 0;
    return std::fread(buffer, 1, bytes, file_);
}

std::size_t RiffFile::Write(const void* buffer, std::size_t bytes) {
    if (!file_ || !writable_) return 0;
    if (bytes == 0) return 0;
    const std::size_t n = std::fwrite(buffer, 1, bytes, file_);
    if (n != bytes) writeFailed_ = true;
    return n;
}

bool RiffFile::Descend(RiffChunk& ck, const RiffChunk* parent, RiffFind find) {
    if (!file_) return false;
    const std::int64_t fileSize = FileSize();
    std::int64_t pos = Tell();
    if (fileSize < 0 || pos < 0) return false;
    std::uint64_t limit = static_cast<std::uint64_t>(fileSize);
    if (parent) {
        const std::uint64_t parentEnd = ChunkEnd(*parent);
        if (parentEnd < limit) limit = parentEnd;
        if (static_cast<std::uint64_t>(pos) < parent->dataOffset) pos = static_cast<std::int64_t>(parent->dataOffset);
    }
    const FOURCC wantId = find == RiffFind::Riff ? kFourCCRiff : find == RiffFind::List ? kFourCCList : ck.id;
    const FOURCC wantForm = ck.formType;

    std::uint64_t at = static_cast<std::uint64_t>(pos);
    while (at + 8 <= limit) {
        unsigned char header[12];
        if (!Seek(static_cast<std::int64_t>(at), SEEK_SET) || Read(header, 8) != 8) return false;
        RiffChunk found;
        found.id = ReadLE32(header);
        found.size = ReadLE32(header + 4);
        const std::uint64_t dataStart = at + 8;
        if (dataStart + found.size > limit) return false;  // overruns its parent or the file
        bool formOk = true;
        if (HasFormType(found.id)) {
            if (found.size < 4 || Read(header + 8, 4) != 4) return false;
            found.formType = ReadLE32(header + 8);
            found.dataOffset = dataStart + 4;
        } else {
            found.dataOffset = dataStart;
        }
        if (find != RiffFind::Chunk) formOk = found.formType == wantForm || wantForm == 0;
        const bool idOk = wantId == 0 || found.id == wantId;
        if (idOk && formOk) {
            if (!Seek(static_cast<std::int64_t>(found.dataOffset), SEEK_SET)) return false;
            ck = found;
            return true;
        }
        at = dataStart + found.size + (found.size & 1u);
    }
    return false;
}

bool RiffFile::Ascend(RiffChunk& ck) {
    if (!file_) return false;
    if (ck.dirty) {
        const std::int64_t here = Tell();
        if (here < 0 || static_cast<std::uint64_t>(here) < SizedStart(ck)) return false;
        const std::uint64_t size64 = static_cast<std::uint64_t>(here) - SizedStart(ck);
        if (size64 > 0xFFFFFFFFull) return false;
        ck.size = static_cast<std::uint32_t>(size64);
        if (ck.size & 1u) {
            const unsigned char pad = 0;
            if (Write(&pad, 1) != 1) return false;
        }
        const std::int64_t end = Tell();
        unsigned char sizeBytes[4];
        WriteLE32(sizeBytes, ck.size);
        if (!Seek(static_cast<std::int64_t>(SizedStart(ck)) - 4, SEEK_SET)) return false;
        if (Write(sizeBytes, 4) != 4) return false;
        ck.dirty = false;
        return Seek(end, SEEK_SET);
    }
    const std::uint64_t end = ChunkEnd(ck) + (ck.size & 1u);
    return Seek(static_cast<std::int64_t>(end), SEEK_SET);
}

bool RiffFile::CreateChunk(RiffChunk& ck, RiffFind kind) {
    if (!file_ || !writable_) return false;
    const std::int64_t at = Tell();
    if (at < 0) return false;
    if (kind == RiffFind::Riff) ck.id = kFourCCRiff;
    if (kind == RiffFind::List) ck.id = kFourCCList;
    unsigned char header[12];
    WriteLE32(header, ck.id);
    WriteLE32(header + 4, ck.size);
    std::size_t n = 8;
    if (kind != RiffFind::Chunk) {
        WriteLE32(header + 8, ck.formType);
        n = 12;
    }
    if (Write(header, n) != n) return false;
    ck.dataOffset = static_cast<std::uint64_t>(at) + n;
    ck.dirty = true;
    return true;
}

bool ReadWaveInfo(const std::string& path, WaveInfo& info) {
    RiffFile file;
    if (!file.OpenRead(path)) return false;
    RiffChunk riff;
    riff.formType = kFourCCWave;
    if (!file.Seek(0, SEEK_SET) || !file.Descend(riff, nullptr, RiffFind::Riff)) return false;

    RiffChunk fmt;
    fmt.id = kFourCCFmt;
    if (!file.Descend(fmt, &riff, RiffFind::Chunk) || fmt.size < 16) return false;
    unsigned char rec[18] = {};
    const std::size_t want = fmt.size >= 18 ? 18 : 16;
    if (file.Read(rec, want) != want) return false;
    WaveInfo out;
    out.format.formatTag = ReadLE16(rec);
    out.format.channels = ReadLE16(rec + 2);
    out.format.samplesPerSec = ReadLE32(rec + 4);
    out.format.avgBytesPerSec = ReadLE32(rec + 8);
    out.format.blockAlign = ReadLE16(rec + 12);
    out.format.bitsPerSample = ReadLE16(rec + 14);
    out.format.extraSize = want == 18 ? ReadLE16(rec + 16) : 0;
    out.fmtChunkSize = fmt.size;
    if (!file.Ascend(fmt)) return false;

    // "data" normally follows "fmt "; look from the start of the form if it does not.
    RiffChunk data;
    data.id = kFourCCData;
    if (!file.Descend(data, &riff, RiffFind::Chunk)) {
        if (!file.Seek(static_cast<std::int64_t>(riff.dataOffset), SEEK_SET)) return false;
        data = RiffChunk{};
        data.id = kFourCCData;
        if (!file.Descend(data, &riff, RiffFind::Chunk)) return false;
    }
    out.dataOffset = data.dataOffset;
    out.dataSize = data.size;
    info = out;
    return true;
}

}  // namespace lipsmith
