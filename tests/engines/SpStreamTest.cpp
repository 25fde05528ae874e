// Wave file streams: complete files under the final name only, never debris.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Riff.h"
#include "SpeechApi.h"

namespace lipsmith::speech {
namespace {

class SpStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("lipsmith-stream-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::size_t FilesInDir() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
    }
    std::filesystem::path dir;
};

TEST_F(SpStreamTest, WritesACompleteWaveWhenTheLastReferenceGoes) {
    const std::string path = (dir / "out.wav").string();
    {
        std::ofstream(path) << "an older file that gets replaced";
    }
    auto stream = CreateSpStream();
    ASSERT_EQ(stream->BindToFile(path, SPFM_CREATE_ALWAYS, Format22kHz16BitMono(), SPFEI_ALL_EVENTS), S_OK);
    std::vector<short> samples(22050, 1000);
    ASSERT_EQ(stream->Write(samples.data(), samples.size() * 2), S_OK);
    ASSERT_EQ(stream->Write(samples.data(), 3), S_OK);  // odd byte count: the chunk gets a pad byte
    // Until it is finished the old file stays as it was.
    EXPECT_EQ(std::filesystem::file_size(path), 32u);
    stream.reset();

    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(path, info));
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
    EXPECT_EQ(info.format.bitsPerSample, 16);
    EXPECT_EQ(info.format.channels, 1);
    EXPECT_EQ(info.format.blockAlign, 2);
    EXPECT_EQ(info.format.avgBytesPerSec, 44100u);
    EXPECT_EQ(info.fmtChunkSize, 18u);
    EXPECT_EQ(info.format.extraSize, 0);
    EXPECT_EQ(info.dataSize, 44103u);
    EXPECT_EQ(std::filesystem::file_size(path), 46u + 44103u + 1u);
    EXPECT_EQ(FilesInDir(), 1u);  // no temporary left behind
}

TEST_F(SpStreamTest, CloseIsFinalAndRepeatable) {
    const std::string path = (dir / "closed.wav").string();
    auto stream = CreateSpStream();
    ASSERT_EQ(stream->BindToFile(path, SPFM_CREATE_ALWAYS, Format22kHz16BitMono(), 0), S_OK);
    EXPECT_EQ(stream->Close(), S_OK);
    EXPECT_EQ(stream->Close(), S_OK);
    short s = 0;
    EXPECT_EQ(stream->Write(&s, 2), E_UNEXPECTED);
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(path, info));
    EXPECT_EQ(info.dataSize, 0u);
}

TEST_F(SpStreamTest, RefusesWhatItCannotWrite) {
    auto stream = CreateSpStream();
    EXPECT_EQ(stream->BindToFile((dir / "no" / "such" / "x.wav").string(), SPFM_CREATE_ALWAYS,
                                 Format22kHz16BitMono(), 0),
              E_FAIL);
    short s = 0;
    EXPECT_EQ(stream->Write(&s, 2), E_UNEXPECTED);
    WaveFormat bad = Format22kHz16BitMono();
    bad.formatTag = 3;
    EXPECT_EQ(stream->BindToFile((dir / "f.wav").string(), SPFM_CREATE_ALWAYS, bad, 0), E_INVALIDARG);
    EXPECT_EQ(stream->BindToFile((dir / "r.wav").string(), SPFM_OPEN_READONLY, Format22kHz16BitMono(), 0),
              E_INVALIDARG);
    EXPECT_EQ(stream->BindToFile("", SPFM_CREATE_ALWAYS, Format22kHz16BitMono(), 0), E_INVALIDARG);
    EXPECT_EQ(FilesInDir(), 0u);
}

TEST_F(SpStreamTest, RebindingFinishesTheFirstFile) {
    auto stream = CreateSpStream();
    ASSERT_EQ(stream->BindToFile((dir / "one.wav").string(), SPFM_CREATE_ALWAYS, Format22kHz16BitMono(), 0), S_OK);
    short s[2] = {1, 2};
    ASSERT_EQ(stream->Write(s, 4), S_OK);
    ASSERT_EQ(stream->BindToFile((dir / "two.wav").string(), SPFM_CREATE_ALWAYS, Format22kHz16BitMono(), 0), S_OK);
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo((dir / "one.wav").string(), info));
    EXPECT_EQ(info.dataSize, 4u);
}

}  // namespace
}  // namespace lipsmith::speech
