// RIFF file I/O in the manner of the multimedia file functions: descend into
// and ascend out of chunks, read, write, seek; plus the one question most
// callers ask of a wave file.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace lipsmith {

using FOURCC = std::uint32_t;
constexpr FOURCC MakeFourCC(char a, char b, char c, char d) {
    return static_cast<FOURCC>(static_cast<unsigned char>(a)) |
           (static_cast<FOURCC>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<FOURCC>(static_cast<unsigned char>(c)) << 16) |
           (static_cast<FOURCC>(static_cast<unsigned char>(d)) << 24);
}
inline constexpr FOURCC kFourCCRiff = MakeFourCC('R', 'I', 'F', 'F');
inline constexpr FOURCC kFourCCList = MakeFourCC('L', 'I', 'S', 'T');
inline constexpr FOURCC kFourCCWave = MakeFourCC('W', 'A', 'V', 'E');
inline constexpr FOURCC kFourCCFmt = MakeFourCC('f', 'm', 't', ' ');
inline constexpr FOURCC kFourCCData = MakeFourCC('d', 'a', 't', 'a');

struct RiffChunk {
    FOURCC id = 0;
    std::uint32_t size = 0;       // bytes of data (for RIFF/LIST: form type included)
    FOURCC formType = 0;          // RIFF and LIST only
    std::uint64_t dataOffset = 0; // file offset of the data (after the form type for RIFF/LIST)
    bool dirty = false;           // created by CreateChunk; Ascend writes its size
};

enum class RiffFind { Chunk, Riff, List };

// One open file. Every operation returns false on failure (missing chunk,
// short read, I/O error, sizes that overrun the file) and never reads past
// the parent chunk or the end of the file.
class RiffFile {
public:
    RiffFile() = default;
    ~RiffFile();
    RiffFile(const RiffFile&) = delete;
    RiffFile& operator=(const RiffFile&) = delete;

    bool OpenRead(const std::string& path);
    bool Create(const std::string& path);  // creates or empties the file
    bool Close();                          // false when a buffered write failed
    bool IsOpen() const { return file_ != nullptr; }

    // Searches from the current position for a chunk with `find`'s kind and
    // the id (Chunk) or form type (Riff, List) in `ck`, within `parent` if
    // given. On success the position is at the chunk's data.
    bool Descend(RiffChunk& ck, const RiffChunk* parent, RiffFind find);
    // Moves past the end of the chunk (its pad byte included); for a chunk
    // made with CreateChunk, writes its final size first.
    bool Ascend(RiffChunk& ck);
    // Writes a chunk header (and form type for Riff/List) at the position.
    bool CreateChunk(RiffChunk& ck, RiffFind kind);

    std::size_t Read(void* buffer, std::size_t bytes);
    std::size_t Write(const void* buffer, std::size_t bytes);
    bool Seek(std::int64_t offset, int whence);  // SEEK_SET, SEEK_CUR, SEEK_END
    std::int64_t Tell() const;
    std::int64_t FileSize() const;

private:
    std::FILE* file_ = nullptr;
    bool writable_ = false;
    bool writeFailed_ = false;
};

// The format record of a "fmt " chunk (its first 18 bytes, extra size last).
struct WaveFormatRecord {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
};

struct WaveInfo {
    WaveFormatRecord format;
    std::uint32_t fmtChunkSize = 0;
    std::uint64_t dataOffset = 0;  // file offset of the samples
    std::uint32_t dataSize = 0;    // bytes of samples
};

// Reads the "fmt " record and locates "data" of a RIFF WAVE file. A "fmt "
// chunk shorter than 16 bytes, or a missing chunk, is a failure; a 16-byte
// one reads with extraSize 0.
bool ReadWaveInfo(const std::string& path, WaveInfo& info);

}  // namespace lipsmith
