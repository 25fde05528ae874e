// Reading a wave file's length and merging two recordings: offsets, gaps,
// Insert and Replace layouts, sample alignment and refused inputs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Riff.h"

#include "PipelineFixture.h"
#include "WaveFiles.h"

namespace lipsmith::testing {
namespace {

class WaveFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "wavefiles.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    // A file of `count` samples of one value.
    std::string Make(const std::string& name, std::size_t count, std::int16_t value, std::uint32_t rate = 22050) {
        WriteWaveFile(Path(name), std::vector<std::int16_t>(count, value), rate);
        return Path(name);
    }
    // Runs of equal samples: (value, count).
    static std::vector<std::pair<std::int16_t, std::size_t>> Runs(const std::vector<std::int16_t>& samples) {
        std::vector<std::pair<std::int16_t, std::size_t>> runs;
        for (std::int16_t s : samples) {
            if (runs.empty() || runs.back().first != s) runs.push_back({s, 0});
            ++runs.back().second;
        }
        return runs;
    }
    using Runs_ = std::vector<std::pair<std::int16_t, std::size_t>>;

    std::string dir;
    ScriptedPrompts prompts;
    ScopedPrompts usePrompts{prompts};
};

TEST_F(WaveFiles, OffsetInBytesRoundsThenKeepsWholeSampleFrames) {
    // 1600 ticks at 44,100 bytes per second: floor(1600 x 0.000208333338 x 44100 + 0.5).
    EXPECT_EQ(WaveOffsetBytes(1600, 44100, 2), 14700u);
    EXPECT_EQ(WaveOffsetBytes(4800, 44100, 2), 44100u);
    // One tick is 9.19 bytes: 9, which would split a 16-bit sample, becomes 8.
    EXPECT_EQ(WaveOffsetBytes(1, 44100, 2), 8u);
    EXPECT_EQ(WaveOffsetBytes(1, 44100, 1), 9u);
    EXPECT_EQ(WaveOffsetBytes(1, 176400, 4), 36u);
    EXPECT_EQ(WaveOffsetBytes(0, 44100, 2), 0u);
    EXPECT_EQ(WaveOffsetBytes(-500, 44100, 2), 0u);
}

TEST_F(WaveFiles, LengthInSeconds) {
    EXPECT_DOUBLE_EQ(WaveLengthSeconds(Make("a.wav", 22050 * 2, 1)), 2.0);
    EXPECT_DOUBLE_EQ(WaveLengthSeconds(Make("b.wav", 0, 1)), 0.0);
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(WaveFiles, LengthOfSomethingElseIsMinusOneWithAMessage) {
    std::ofstream(Path("bad.wav")) << "RIFF....WAVEjunk";
    EXPECT_EQ(WaveLengthSeconds(Path("bad.wav")), -1.0);
    EXPECT_EQ(WaveLengthSeconds(Path("missing.wav")), -1.0);
    ASSERT_EQ(prompts.Messages().size(), 2u);
    EXPECT_EQ(prompts.Messages()[0].text, "Failed to load wave file");
    EXPECT_EQ(prompts.Messages()[0].caption, "Wave error");
    EXPECT_EQ(prompts.Messages()[0].type & MB_ICONERROR, static_cast<unsigned>(MB_ICONERROR));
}

TEST_F(WaveFiles, InsertPutsTheSecondInsideTheFirst) {
    const std::string a = Make("a.wav", 10000, 1), b = Make("b.wav", 1000, 2);
    ASSERT_TRUE(MergeWaves(a, b, Path("out.wav"), 1600, false));
    EXPECT_EQ(Runs(WaveSamples(Path("out.wav"))), (Runs_{{1, 7350}, {2, 1000}, {1, 2650}}));
    // Header sizes: RIFF size counts everything after it.
    const std::string bytes = ReadBytes(Path("out.wav"));
    EXPECT_EQ(bytes.size(), 46u + 22000u);
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(Path("out.wav"), info));
    EXPECT_EQ(info.dataSize, 22000u);
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
    const auto riffSize = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[4]) |
                                                     static_cast<unsigned char>(bytes[5]) << 8 |
                                                     static_cast<unsigned char>(bytes[6]) << 16 |
                                                     static_cast<unsigned char>(bytes[7]) << 24);
    EXPECT_EQ(riffSize, bytes.size() - 8);
}

TEST_F(WaveFiles, ReplaceWritesOverTheFirstAndKeepsItsLength) {
    const std::string a = Make("a.wav", 10000, 1), b = Make("b.wav", 1000, 2);
    ASSERT_TRUE(MergeWaves(a, b, Path("out.wav"), 1600, true));
    EXPECT_EQ(Runs(WaveSamples(Path("out.wav"))), (Runs_{{1, 7350}, {2, 1000}, {1, 1650}}));
    // Running past the first's end makes the file longer.
    ASSERT_TRUE(MergeWaves(a, Make("long.wav", 5000, 3), Path("out2.wav"), 1600, true));
    EXPECT_EQ(Runs(WaveSamples(Path("out2.wav"))), (Runs_{{1, 7350}, {3, 5000}}));
}

TEST_F(WaveFiles, OffsetBeyondTheEndLeavesSilenceBetween) {
    const std::string a = Make("a.wav", 5000, 1), b = Make("b.wav", 1000, 2);
    for (bool replace : {false, true}) {
        ASSERT_TRUE(MergeWaves(a, b, Path("out.wav"), 1600, replace));
        EXPECT_EQ(Runs(WaveSamples(Path("out.wav"))), (Runs_{{1, 5000}, {0, 2350}, {2, 1000}})) << replace;
    }
}

TEST_F(WaveFiles, OddByteOffsetsNeverSplitASample) {
    const std::string a = Make("a.wav", 1000, 0x1111), b = Make("b.wav", 100, 0x2222);
    for (std::int64_t ticks : {1, 3, 7, 11, 101}) {
        for (bool replace : {false, true}) {
            ASSERT_TRUE(MergeWaves(a, b, Path("out.wav"), ticks, replace));
            const auto runs = Runs(WaveSamples(Path("out.wav")));
            ASSERT_EQ(runs.size(), 3u) << ticks;
            EXPECT_EQ(runs[1], (std::pair<std::int16_t, std::size_t>{0x2222, 100})) << ticks;
            EXPECT_EQ(runs[0].first, 0x1111);
            EXPECT_EQ(runs[2].first, 0x1111);
        }
    }
}

TEST_F(WaveFiles, DifferentFormatsAreRefusedAndTheOutputLeftAlone) {
    const std::string a = Make("a.wav", 1000, 1), b = Make("b.wav", 1000, 2, 16000);
    std::ofstream(Path("out.wav")) << "previous";
    EXPECT_FALSE(MergeWaves(a, b, Path("out.wav"), 0, false));
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Wave formats differ.", "Failed to load wave file"}));
    EXPECT_EQ(prompts.Messages()[0].caption, "Lipsmith");
    EXPECT_EQ(ReadBytes(Path("out.wav")), "previous");
}

TEST_F(WaveFiles, UnreadableInputsFailWithoutAnOutput) {
    const std::string a = Make("a.wav", 1000, 1);
    std::ofstream(Path("junk.wav")) << "not a wave file at all";
    EXPECT_FALSE(MergeWaves(a, Path("missing.wav"), Path("out.wav"), 0, false));
    EXPECT_FALSE(MergeWaves(Path("junk.wav"), a, Path("out.wav"), 0, true));
    EXPECT_FALSE(std::filesystem::exists(Path("out.wav")));
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Failed to load wave file", "Failed to load wave file"}));
    // Nothing temporary is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}

TEST_F(WaveFiles, DataSizeBeyondTheFileIsRefused) {
    std::string bytes = WaveFileBytes(std::vector<std::int16_t>(100, 1));
    bytes[44] = '\x7F';  // the data chunk claims far more than is there
    std::ofstream(Path("cut.wav"), std::ios::binary) << bytes;
    EXPECT_FALSE(MergeWaves(Make("a.wav", 100, 1), Path("cut.wav"), Path("out.wav"), 0, false));
    EXPECT_FALSE(std::filesystem::exists(Path("out.wav")));
}

// A byte rate or block size that disagrees with the sample format would put
// the new recording far away behind gigabytes of silence, or give a length
// that stretches the animation: such a file is refused (found by fuzzing).
TEST_F(WaveFiles, AFormatWhoseByteRateOrBlockDisagreesIsRefused) {
    const std::string good = WaveFileBytes(std::vector<std::int16_t>(100, 1));
    struct Damage {
        std::size_t at;
        std::string bytes;
    };
    for (const Damage& d : {Damage{28, std::string("\x00\x00\x00\x7F", 4)},   // byte rate
                            Damage{28, std::string("\x01\x00\x00\x00", 4)},   // byte rate
                            Damage{32, std::string("\x55\x2C", 2)},             // block size
                            Damage{34, std::string("\x0C\x00", 2)}}) {          // 12 bits
        SCOPED_TRACE(d.at);
        std::string bytes = good;
        bytes.replace(d.at, d.bytes.size(), d.bytes);
        std::ofstream(Path("bad.wav"), std::ios::binary) << bytes;
        prompts.Clear();
        EXPECT_EQ(WaveLengthSeconds(Path("bad.wav")), -1.0);
        EXPECT_FALSE(MergeWaves(Make("a.wav", 100, 1), Path("bad.wav"), Path("out.wav"), 960, false));
        EXPECT_FALSE(MergeWaves(Path("bad.wav"), Make("a.wav", 100, 1), Path("out.wav"), 960, true));
        EXPECT_FALSE(std::filesystem::exists(Path("out.wav")));
        EXPECT_EQ(prompts.Texts(), (std::vector<std::string>(3, "Failed to load wave file")));
    }
}

TEST_F(WaveFiles, RecordingsWithTheShortFormatRecordMergeWithNewOnes) {
    // Files written before the format record grew to 18 bytes carry 16.
    std::string old = WaveFileBytes(std::vector<std::int16_t>(1000, 1));
    old.erase(36, 2);
    old[16] = 16;
    old[4] = static_cast<char>(static_cast<unsigned char>(old[4]) - 2);
    std::ofstream(Path("old.wav"), std::ios::binary) << old;
    const std::string fresh = Make("new.wav", 100, 2);
    ASSERT_TRUE(MergeWaves(Path("old.wav"), fresh, Path("out1.wav"), 0, false));
    ASSERT_TRUE(MergeWaves(fresh, Path("old.wav"), Path("out2.wav"), 0, false));
    EXPECT_EQ(Runs(WaveSamples(Path("out1.wav"))), (Runs_{{2, 100}, {1, 1000}}));
    EXPECT_EQ(Runs(WaveSamples(Path("out2.wav"))), (Runs_{{1, 1000}, {2, 100}}));
    EXPECT_TRUE(prompts.Texts().empty());
}

}  // namespace
}  // namespace lipsmith::testing
