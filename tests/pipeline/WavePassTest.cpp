// The wave pass: fitting the keys to the recording, merging with the previous
// output, the scene's sound, and undo and redo of the sound.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <set>

#include "PipelineFixture.h"

namespace lipsmith::testing {
namespace {

constexpr int kAa = 10;
constexpr std::int16_t kOld = 5, kNew = 1000;

using Runs = std::vector<std::pair<std::int16_t, std::size_t>>;

Runs RunsOf(const std::vector<std::int16_t>& samples) {
    Runs runs;
    for (std::int16_t s : samples) {
        if (runs.empty() || runs.back().first != s) runs.push_back({s, 0});
        ++runs.back().second;
    }
    return runs;
}

std::vector<ScriptedEvent> Phonemes(int count, int ms) {
    return std::vector<ScriptedEvent>(static_cast<std::size_t>(count), PhonemeEvent(kAa, ms));
}

class WavePass : public PipelineTest {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        BuildHead();
        session->options.generateScratchTrack = true;
        engine->sampleValue = kNew;
        out = session->waveOutputPath;
    }
    // A previous output of `samples` samples of kOld, on the scene's sound track at `start`.
    void PreviousOutput(std::size_t samples, TimeValue start, std::uint32_t rate = 22050) {
        WriteWaveFile(out, std::vector<std::int16_t>(samples, kOld), rate);
        previousBytes = ReadBytes(out);
        SetSceneSound(out, start);
    }
    void SetSceneSound(const std::string& file, TimeValue start) {
        ip.SetSoundObject(NewDefaultSoundObj());
        IWaveSound* ws = GetWaveSoundInterface(ip.GetSoundObject());
        ws->SetSoundFileName(file);
        ws->SetStartTime(start);
    }
    IWaveSound* Sound() { return GetWaveSoundInterface(ip.GetSoundObject()); }
    std::set<std::string> FilesInDir() const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
        return names;
    }
    // Samples the engine records for `ms` of phonemes (stretch 1).
    static std::size_t RecordedSamples(int ms) {
        return static_cast<std::size_t>(std::llround(ms * kTicksPerMs / 4.8 / 1000.0 * 22050.0));
    }

    std::string out;
    std::string previousBytes;
};

TEST_F(WavePass, TenPercentLongerRecordingStretchesTheRunsKeys) {
    INode* narrator = ip.CreateNode("Narrator");
    SpeechController* narratorWidth = AddController(narrator, 1);
    session->RebuildSpeakers();
    AddKey(head[1], 100, 0.5f);         // before the run
    AddKey(head[1], 100000, 0.5f);      // after the run
    AddKey(narratorWidth, 30000, 0.5f);  // not spoken in this script, inside the run's span
    head[2]->active = 0;
    AddKey(head[2], 30000, 0.5f);
    engine->waveStretch = 1.1;
    engine->Say("Hello", Phonemes(100, 100));  // 10 seconds
    session->options.inFrame = 10;             // 1600
    RunHead();
    EXPECT_TRUE(PaneHas("Total animation time 48277.890542 ticks.\n")) << Pane();
    EXPECT_TRUE(PaneHas("Total sound time 53106.000000 ticks.\n")) << Pane();
    EXPECT_TRUE(PaneHas("Synchronizing wave file\n"));
    EXPECT_TRUE(PaneHas("\nAnimation adjusted by 10.00 % (")) << Pane();
    EXPECT_TRUE(PaneHas("Done Synchronizing wave file."));

    const std::vector<TimeValue> times = KeyTimes(head[1]);
    ASSERT_EQ(times.size(), 102u);
    EXPECT_EQ(times.front(), 100);
    EXPECT_EQ(times[1], 1600);
    // Phoneme 50 was keyed at 1600 + 23656: now 1.1 times as far from the start.
    EXPECT_NEAR(times[50], 1600 + 1.1 * 23656, 2);
    // After the run: moved by the added length, 10% of 48278.
    EXPECT_NEAR(times.back(), 100000 + 4827.8, 2);
    EXPECT_NEAR(KeyTimes(narratorWidth).front(), 1600 + 1.1 * 28400, 2);
    EXPECT_EQ(KeyTimes(head[2]), (std::vector<TimeValue>{30000}));
    EXPECT_NEAR(NotesOf(head[1])[49].t, 1600 + 1.1 * 23656, 2);
}

TEST_F(WavePass, FirstRunPlacesTheRecordingAloneAtTheRunStart) {
    engine->Say("Hello", Phonemes(3, 100));
    session->options.inFrame = 10;
    RunHead();
    EXPECT_EQ(ReadBytes(out), engine->lastWaveBytes);
    EXPECT_EQ(WaveSamples(out).size(), RecordedSamples(300));
    ASSERT_NE(Sound(), nullptr);
    EXPECT_EQ(Sound()->GetSoundFileName(), out);
    EXPECT_EQ(Sound()->GetStartTime(), 1600);
    EXPECT_GT(Sound()->GetEndTime(), 1600);
    EXPECT_EQ(FilesInDir(), (std::set<std::string>{"out.wav"}));
}

TEST_F(WavePass, InsertLengthensThePreviousOutputAndReplaceKeepsItsLength) {
    engine->Say("Hello", Phonemes(2, 100));
    const std::size_t n = RecordedSamples(200);
    session->options.inFrame = 15;  // 2400 ticks: half a second into the old sound

    PreviousOutput(44100, 0);
    editor.replaceMode = 0;
    RunHead();
    EXPECT_EQ(RunsOf(WaveSamples(out)), (Runs{{kOld, 11025}, {kNew, n}, {kOld, 33075}}));
    EXPECT_EQ(Sound()->GetStartTime(), 0);

    PreviousOutput(44100, 0);
    editor.replaceMode = 1;
    RunHead();
    EXPECT_EQ(RunsOf(WaveSamples(out)), (Runs{{kOld, 11025}, {kNew, n}, {kOld, 33075 - n}}));
    EXPECT_EQ(FilesInDir(), (std::set<std::string>{"out.wav"}));
}

TEST_F(WavePass, PreviousSoundStartingLaterComesAfterTheNewSpeech) {
    engine->Say("Hello", Phonemes(2, 100));
    const std::size_t n = RecordedSamples(200);
    PreviousOutput(1000, 4800);  // starts one second after the run
    editor.replaceMode = 0;
    RunHead();
    EXPECT_EQ(RunsOf(WaveSamples(out)), (Runs{{kNew, n}, {0, 22050 - n}, {kOld, 1000}}));
    EXPECT_EQ(Sound()->GetStartTime(), 0);
}

TEST_F(WavePass, FailedMergeKeepsTheNewRecordingAsTheOutputWhereItStarts) {
    for (bool undo : {false, true}) {
        SCOPED_TRACE(undo ? "with undo" : "without undo");
        prompts.Clear();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directory(dir);
        session->options.enableUndo = undo;
        session->options.inFrame = 10;  // 1600
        engine->Say("Hello", Phonemes(2, 100));
        PreviousOutput(1000, 800, 16000);  // another sample rate: cannot be merged
        RunHead();
        EXPECT_EQ(ReadBytes(out), engine->lastWaveBytes);
        // On a line of its own after the fitting's last words.
        EXPECT_TRUE(PaneHas("Done Synchronizing wave file.\nThe new recording could not be merged with the previous "
                            "wave output; it was kept on its own in '" + out + "'.\n"))
            << Pane();
        EXPECT_EQ(Warnings(), 1);
        EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Wave formats differ.", "Failed to load wave file"}));
        EXPECT_EQ(Sound()->GetSoundFileName(), out);
        // The recording alone begins where this run begins, not where the old sound did.
        EXPECT_EQ(Sound()->GetStartTime(), 1600);
        // The previous output is not lost either: it waits beside the output.
        int copies = 0;
        for (const std::string& name : FilesInDir()) {
            if (name != "out.wav" && ReadBytes(dir + "/" + name) == previousBytes) {
                ++copies;
                EXPECT_TRUE(PaneHas("The previous wave output was kept as '" + dir + "/" + name + "'.\n")) << Pane();
            }
        }
        EXPECT_EQ(copies, 1);
        if (undo) {
            ASSERT_TRUE(theHold.Undo());
            EXPECT_EQ(Sound()->GetStartTime(), 800);
            ASSERT_TRUE(theHold.Redo());
            EXPECT_EQ(ReadBytes(out), engine->lastWaveBytes);
            EXPECT_EQ(Sound()->GetStartTime(), 1600);
        }
        theHold.ClearUndo();
    }
}

TEST_F(WavePass, ReplaceWithTheNewSpeechFirstWritesTheOldSoundOverIt) {
    engine->Say("Hello", Phonemes(2, 100));
    const std::size_t n = RecordedSamples(200);
    PreviousOutput(1000, 480);  // starts 0.1 s (2205 samples) after the run, inside the new speech
    editor.replaceMode = 1;
    RunHead();
    EXPECT_EQ(RunsOf(WaveSamples(out)), (Runs{{kNew, 2205}, {kOld, 1000}, {kNew, n - 3205}}));
    EXPECT_EQ(Sound()->GetStartTime(), 0);
    EXPECT_TRUE(PaneHas("Merged the previous wave output (0.05 s), which begins after this run, into the new "
                        "recording (0.20 s) at 0.10 s, written over it (Replace mode). The wave output now holds "
                        "0.20 s.\n"))
        << Pane();
}

TEST_F(WavePass, TheMergeIsLoggedAndAFreshRecordingReplacesTheOutput) {
    engine->Say("Hello", Phonemes(2, 100));
    PreviousOutput(22050, 0);
    session->options.inFrame = 15;  // 0.5 s
    editor.replaceMode = 0;
    RunHead();
    EXPECT_TRUE(PaneHas("Done Synchronizing wave file.\nMerged the new recording (0.20 s) into the previous wave "
                        "output (1.00 s) at 0.50 s, inserted (Insert mode). The wave output now holds 1.20 s.\n"))
        << Pane();

    session->options.freshRecording = true;
    RunHead();
    EXPECT_EQ(ReadBytes(out), engine->lastWaveBytes);
    EXPECT_TRUE(PaneHas("The previous wave output was not merged: the new recording replaces it.\n")) << Pane();
    EXPECT_FALSE(PaneHas("Merged"));
    EXPECT_EQ(Sound()->GetStartTime(), 2400);
    EXPECT_EQ(FilesInDir(), (std::set<std::string>{"out.wav"}));
}

TEST_F(WavePass, ARecordingThatNeverCameIsAnErrorAndNothingIsFitted) {
    engine->waveOutput = ScriptedEngine::WaveOutput::None;
    engine->Say("Hello", Phonemes(2, 100));
    PreviousOutput(44100, 0);
    RunHead();
    EXPECT_TRUE(PaneHas("Error: The speech could not be recorded into the wave output file '" + out + "'.")) << Pane();
    EXPECT_EQ(Errors(), 1);
    EXPECT_FALSE(PaneHas("Synchronizing"));
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{0, 482}));
    EXPECT_EQ(ReadBytes(out), previousBytes);
    EXPECT_EQ(Sound()->GetSoundFileName(), out);
    EXPECT_EQ(FilesInDir(), (std::set<std::string>{"out.wav"}));
}

TEST_F(WavePass, AWaveOutputThatIsReadOnlyOrAFolderIsLeftAlone) {
    engine->Say("Hello", Phonemes(2, 100));
    PreviousOutput(1000, 0);
    std::filesystem::permissions(out, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    RunHead();
    EXPECT_TRUE(PaneHas("Error: The wave output file '" + out + "' cannot be written: it is read-only. No sound was "
                        "recorded.\n"))
        << Pane();
    EXPECT_EQ(ReadBytes(out), previousBytes);
    EXPECT_EQ(std::filesystem::status(out).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_TRUE(engine->waveFiles.empty());
    EXPECT_FALSE(PaneHas("Synchronizing"));
    EXPECT_EQ(Errors(), 1);

    std::filesystem::remove(out);
    std::filesystem::create_directory(out);
    WriteWaveFile(out + "/inside.wav", {1, 2, 3});
    RunHead();
    EXPECT_TRUE(PaneHas("cannot be written: it is a folder.")) << Pane();
    EXPECT_TRUE(std::filesystem::is_directory(out));
    EXPECT_EQ(WaveSamples(out + "/inside.wav"), (std::vector<std::int16_t>{1, 2, 3}));
    EXPECT_EQ(FilesInDir(), (std::set<std::string>{"out.wav"}));
}

TEST_F(WavePass, LeftoversOfARunThatDiedAreRemovedWithALine) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string dead = out + ".tmp-" + std::to_string(child) + "-";
    const std::string alive = out + ".tmp-" + std::to_string(::getppid()) + "-rec";
    for (const std::string& name : {dead + "rec", dead + "rec.Ab12Cd", dead + "3", alive}) {
        WriteWaveFile(name, {1});
    }
    engine->Say("Hello", Phonemes(2, 100));
    RunHead();
    for (const std::string& name : {dead + "rec", dead + "rec.Ab12Cd", dead + "3"}) {
        EXPECT_FALSE(std::filesystem::exists(name)) << name;
        EXPECT_TRUE(PaneHas("Removed '" + name + "', left behind by an interrupted run.\n")) << Pane();
    }
    // Another living process may still be writing its own.
    EXPECT_TRUE(std::filesystem::exists(alive));
    EXPECT_EQ(ReadBytes(out), engine->lastWaveBytes);
}

TEST_F(WavePass, UnreadableRecordingSkipsTheFitting) {
    engine->waveOutput = ScriptedEngine::WaveOutput::Damaged;
    engine->Say("Hello", Phonemes(2, 100));
    RunHead();
    EXPECT_TRUE(PaneHas("The animation was not fitted to the wave file: its length could not be read.\n")) << Pane();
    EXPECT_FALSE(PaneHas("Synchronizing"));
    EXPECT_EQ(Warnings() + Errors(), 0);
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{0, 482}));
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Failed to load wave file"}));
}

TEST_F(WavePass, RunWithoutPhonemesSkipsTheFitting) {
    engine->extraWaveMs = 500;
    engine->Say("Hello", {BookmarkEvent("brow:true,,left,1.0,100,500")});
    RunHead();
    EXPECT_TRUE(PaneHas("The animation was not fitted to the wave file: no phonemes were spoken.\n")) << Pane();
    EXPECT_FALSE(PaneHas("Synchronizing"));
    EXPECT_EQ(Warnings() + Errors(), 0);
    EXPECT_EQ(KeyTimes(head[13]), (std::vector<TimeValue>{0, 482, 2896}));
    EXPECT_EQ(Sound()->GetSoundFileName(), out);
}

TEST_F(WavePass, RunWithoutUndoMergesWithTheCurrentOutputNotAnOldUndoCopy) {
    engine->Say("Hello", Phonemes(2, 100));
    const std::size_t n = RecordedSamples(200);
    editor.replaceMode = 0;
    PreviousOutput(1000, 0);
    session->options.enableUndo = true;
    RunHead();  // keeps the first output as the undo copy
    ASSERT_FALSE(session->undoWaveFile.empty());
    ASSERT_EQ(RunsOf(WaveSamples(out)), (Runs{{kNew, n}, {kOld, 1000}}));

    session->options.enableUndo = false;
    engine->sampleValue = 3;
    RunHead();
    // The run's own recording first, then everything the output held before it.
    EXPECT_EQ(RunsOf(WaveSamples(out)), (Runs{{3, n}, {kNew, n}, {kOld, 1000}}));
    EXPECT_EQ(FilesInDir().size(), 2u);  // the output and the first run's undo copy
}

TEST_F(WavePass, StoppedOrFailedRunsLeaveTheOutputAndSoundAsTheyWere) {
    enum class Ending { Stopped, KeysPassFails, WavePassFails };
    for (Ending ending : {Ending::Stopped, Ending::KeysPassFails, Ending::WavePassFails}) {
        for (bool undo : {false, true}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(ending)) + (undo ? " with undo" : " without undo"));
            engine->Say("Hello", Phonemes(3, 100));
            engine->speakResult = ending == Ending::KeysPassFails ? E_FAIL : S_OK;
            engine->waveSpeakResult = ending == Ending::WavePassFails ? E_FAIL : S_OK;
            engine->onHandled = [&](const ScriptedEvent&, std::size_t) {
                if (ending == Ending::Stopped) session->RequestStop();
            };
            session->options.enableUndo = undo;
            session->options.inFrame = 30;
            PreviousOutput(2000, 800);
            RunHead();
            engine->onHandled = nullptr;
            EXPECT_EQ(ReadBytes(out), previousBytes);
            ASSERT_NE(Sound(), nullptr);
            EXPECT_EQ(Sound()->GetSoundFileName(), out);
            EXPECT_EQ(Sound()->GetStartTime(), 800);
            EXPECT_FALSE(PaneHas("Synchronizing"));
            // Only a failed recording is an error of its own.
            EXPECT_EQ(PaneHas("Error: The speech could not be recorded"), ending == Ending::WavePassFails) << Pane();
            for (const std::string& name : FilesInDir()) {
                EXPECT_TRUE(name == "out.wav" || name.rfind("sndUndo_", 0) == 0) << name;
            }
            theHold.ClearUndo();
        }
    }
}

class SoundUndo : public WavePass {
protected:
    void SetUp() override {
        WavePass::SetUp();
        session->options.enableUndo = true;
        editor.replaceMode = 0;
        engine->Say("Hello", Phonemes(2, 100));
    }
};

TEST_F(SoundUndo, UndoBringsBackThePreviousOutputAndRedoTheMergedOne) {
    PreviousOutput(22050, 800);
    session->options.inFrame = 10;  // 1600
    RunHead();
    const std::string merged = ReadBytes(out);
    ASSERT_NE(merged, previousBytes);
    EXPECT_EQ(Sound()->GetStartTime(), 800);
    ASSERT_TRUE(theHold.CanUndo());
    EXPECT_EQ(theHold.UndoName(), "Speech to Anim");

    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(ReadBytes(out), previousBytes);
    EXPECT_EQ(Sound()->GetSoundFileName(), out);
    EXPECT_EQ(Sound()->GetStartTime(), 800);
    EXPECT_EQ(ReadBytes(session->undoWaveFile), merged);

    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(ReadBytes(out), merged);
    EXPECT_EQ(Sound()->GetSoundFileName(), out);
    // Back where the run put it: the merged file begins with the old sound.
    EXPECT_EQ(Sound()->GetStartTime(), 800);

    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(ReadBytes(out), previousBytes);
    EXPECT_EQ(FilesInDir().size(), 2u);
}

TEST_F(SoundUndo, RedoPutsANewSpeechFirstSoundAtTheRunStart) {
    PreviousOutput(1000, 4800);
    session->options.inFrame = 10;  // 1600, before the old sound
    RunHead();
    EXPECT_EQ(Sound()->GetStartTime(), 1600);
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Sound()->GetStartTime(), 4800);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(Sound()->GetStartTime(), 1600);
}

TEST_F(SoundUndo, UndoOfAFirstRunTakesTheRecordingAwayAndRedoBringsItBack) {
    RunHead();
    const std::string recording = ReadBytes(out);
    ASSERT_FALSE(recording.empty());
    EXPECT_TRUE(session->undoWaveFile.empty());
    ASSERT_TRUE(theHold.Undo());
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(Sound()->GetSoundFileName(), "");
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(ReadBytes(out), recording);
    EXPECT_EQ(Sound()->GetSoundFileName(), out);
}

TEST_F(SoundUndo, SwapHappensInTheOutputFolderWhateverTheWorkingFolder) {
    PreviousOutput(1000, 0);
    RunHead();
    const std::string merged = ReadBytes(out);
    // A working folder where nothing can be created: it has been removed.
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    const std::string gone = dir + "_cwd";
    std::filesystem::create_directory(gone);
    ASSERT_EQ(::chdir(gone.c_str()), 0);
    std::filesystem::remove(gone);
    const bool undone = theHold.Undo();
    const std::string afterUndo = ReadBytes(out);
    const std::string undoCopy = ReadBytes(session->undoWaveFile);
    const std::set<std::string> files = FilesInDir();
    ASSERT_EQ(::chdir(cwd), 0);
    ASSERT_TRUE(undone);
    EXPECT_EQ(afterUndo, previousBytes);
    EXPECT_EQ(undoCopy, merged);
    EXPECT_EQ(files.size(), 2u);
}

TEST_F(SoundUndo, UndoCopiesBeyondTheUndoLevelsAreRemoved) {
    const int levels = theHold.GetUndoLevels();
    theHold.SetUndoLevels(2);
    PreviousOutput(1000, 0);
    std::vector<std::string> outputs;
    for (int run = 0; run < 4; ++run) {
        outputs.push_back(ReadBytes(out));
        RunHead();
    }
    theHold.SetUndoLevels(levels);
    std::vector<std::string> kept;
    for (const std::string& name : FilesInDir()) {
        if (name.rfind("sndUndo_", 0) == 0) kept.push_back(ReadBytes(dir + "/" + name));
    }
    // The two newest: the outputs before the last two runs.
    std::sort(kept.begin(), kept.end(), [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    EXPECT_EQ(kept, (std::vector<std::string>{outputs[2], outputs[3]}));
    EXPECT_TRUE(PaneHas("Removed the old undo copy '" + dir + "/sndUndo_")) << Pane();
    EXPECT_TRUE(PaneHas("' (the newest 2 are kept).\n")) << Pane();
}

}  // namespace
}  // namespace lipsmith::testing
