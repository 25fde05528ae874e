// The parse-and-speak run: framing of the log, speaking each actor, stopping,
// progress, failures of the engine, and the wave pass staying out of the keys.
#include <gtest/gtest.h>

#include <regex>

#include "PipelineFixture.h"
#include "Registry.h"
#include "Settings.h"

namespace lipsmith::testing {
namespace {

constexpr int kAa = 10, kAe = 11;

class Session : public PipelineTest {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        BuildHead();
    }
    // The pane's last line before the closing line ("\n" + "\n---[ Parsing stopped at ...").
    std::string LineBeforeClosing() const {
        const std::string& p = Pane();
        const std::size_t closing = p.rfind("\n\n---[ Parsing stopped at ");
        if (closing == std::string::npos || closing < 2) return {};
        const std::size_t start = p.rfind('\n', closing - 2);
        const std::size_t from = start == std::string::npos ? 0 : start + 1;
        return p.substr(from, closing - from);
    }
};

TEST_F(Session, RunIsFramedByStartAndClosingLines) {
    std::vector<bool> controls;
    session->onRunControlsEnabled = [&](bool enabled) { controls.push_back(enabled); };
    editor.Output().SetText("old text");
    engine->Say("Hello", {PhonemeEvent(kAa, 100)});
    RunHead();
    const std::regex framing(
        R"(^---\[ Parsing started at \d{4}/\d\d/\d\d \d\d:\d\d:\d\d \]---\n\n)"
        R"(\+\+\+ Adding keys for actor named 'Head' starting at frame 0\.00 \(Tick: 0\) \+\+\+\n)"
        R"(\n\n---\[ Parsing stopped at \d{4}/\d\d/\d\d \d\d:\d\d:\d\d : 0 Errors, 0 warnings \]---\n$)");
    EXPECT_TRUE(std::regex_search(Pane(), framing)) << Pane();
    ASSERT_EQ(engine->speaks.size(), 1u);
    EXPECT_EQ(engine->speaks[0].text, "Hello");
    EXPECT_EQ(engine->speaks[0].flags, 11u);  // asynchronous, purge, markup
    EXPECT_FALSE(editor.isParsing);
    EXPECT_EQ(controls, (std::vector<bool>{false, true}));
    EXPECT_EQ(session->keysPassResult, S_OK);
}

TEST_F(Session, CountsOfTheRunAreInTheClosingLine) {
    engine->Say("Hello", {PhonemeEvent(kAa, 100)});
    Run(Script({{"Ghost", "Hello"}, {"Other", "Hello"}}));
    EXPECT_NE(Pane().find(": 0 Errors, 2 warnings ]---\n"), std::string::npos) << Pane();
    // A new run starts counting again.
    Run(Script({{"Head", "Hello"}}));
    EXPECT_NE(Pane().find(": 0 Errors, 0 warnings ]---\n"), std::string::npos) << Pane();
}

TEST_F(Session, ChosenVoiceWrapsEveryActor) {
    session->voiceName = "Anna & \"Bo\" <x>";
    RunHead();
    ASSERT_EQ(engine->speaks.size(), 1u);
    EXPECT_EQ(engine->speaks[0].text, "<voice required=\"Name=Anna &amp; &quot;Bo&quot; &lt;x>\">Hello</voice>");
}

TEST_F(Session, StopDuringTheSecondActorEndsTheRun) {
    session->options.generateScratchTrack = true;
    engine->Say("one", {PhonemeEvent(kAa, 100)});
    engine->Say("two", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 100), PhonemeEvent(kAa, 100)});
    engine->Say("three", {PhonemeEvent(kAa, 100)});
    bool closed = false;
    engine->onHandled = [&](const ScriptedEvent&, std::size_t index) {
        if (engine->speaks.size() == 2 && index == 0) {
            session->Progress()->PressStop();
            closed = session->Progress()->Closed();
        }
    };
    Run(Script({{"Head", "one"}, {"Head", "two"}, {"Head", "three"}}));
    ASSERT_EQ(engine->speaks.size(), 2u);  // the third actor is never spoken
    EXPECT_EQ(engine->stops, 1);
    EXPECT_TRUE(closed);
    EXPECT_EQ(LineBeforeClosing(), "Parsing stopped by user.\n") << Pane();
    EXPECT_NE(Pane().find(": 0 Errors, 0 warnings ]---\n"), std::string::npos);
    EXPECT_TRUE(engine->waveFiles.empty());  // no wave pass
    EXPECT_FALSE(std::filesystem::exists(session->waveOutputPath));
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{0, 482}));
    EXPECT_FALSE(editor.isParsing);
    EXPECT_EQ(session->keysPassResult, S_FALSE);
}

TEST_F(Session, StopThatFailsIsReported) {
    engine->stopResult = E_FAIL;
    engine->Say("Hello", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 100)});
    engine->onHandled = [&](const ScriptedEvent&, std::size_t) { session->ParseScriptCommand(); };
    RunHead();
    EXPECT_EQ(LineBeforeClosing(), "Failed to stop current speech process...\n") << Pane();
    EXPECT_FALSE(editor.isParsing);
}

TEST_F(Session, ProgressFollowsSentencesOverTheWholeScript) {
    session->options.generateScratchTrack = true;
    engine->Say("0123456789", {SentenceEvent(5), PhonemeEvent(kAa, 100), SentenceEvent(5)});
    std::vector<std::string> captions;
    int upper = -1;
    bool progressInWavePass = false;
    engine->onHandled = [&](const ScriptedEvent& e, std::size_t) {
        if (engine->InWaveMode()) {
            progressInWavePass = progressInWavePass || session->Progress() != nullptr;
        } else if (e.message == kMsgSentence) {
            captions.push_back(session->Progress()->Caption());
            upper = session->Progress()->Upper();
        }
    };
    ProgressModel* opened = nullptr;
    session->onProgressOpened = [&](ProgressModel& p) { opened = &p; };
    Run("<_ANIM_><actor node=\"Head\">0123456789</actor></_ANIM_>");
    EXPECT_NE(opened, nullptr);
    EXPECT_EQ(upper, 10);
    EXPECT_EQ(captions, (std::vector<std::string>{"Parsing, 50% completed", "Parsing, 100% completed"}));
    EXPECT_FALSE(progressInWavePass);
    EXPECT_EQ(session->Progress(), nullptr);
}

TEST_F(Session, FailingEngineEndsTheRunBeforeTheWavePass) {
    session->options.generateScratchTrack = true;
    WriteWaveFile(session->waveOutputPath, std::vector<std::int16_t>(100, 7));
    const std::string before = ReadBytes(session->waveOutputPath);
    engine->speakResult = E_FAIL;
    RunHead();
    EXPECT_TRUE(engine->waveFiles.empty());
    EXPECT_EQ(ReadBytes(session->waveOutputPath), before);
    EXPECT_NE(Pane().find(" ]---\n"), std::string::npos);
    EXPECT_FALSE(editor.isParsing);
    EXPECT_EQ(session->keysPassResult, E_FAIL);
}

TEST_F(Session, ScriptErrorsSpeakNothing) {
    session->options.generateScratchTrack = true;
    Run("<_ANIM_><actor>Hello</actor></_ANIM_>");
    EXPECT_TRUE(engine->speaks.empty());
    EXPECT_TRUE(engine->waveFiles.empty());
    EXPECT_NE(Pane().find(": 1 Errors, 0 warnings ]---\n"), std::string::npos) << Pane();
    for (SpeechController* c : head) {
        if (c) {
            EXPECT_TRUE(KeysOf(c).empty());
        }
    }
}

TEST_F(Session, WithoutAWaveFileTheRunAsksForOne) {
    session->waveOutputPath.clear();
    RunHead();
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Please specify a destination file for the speech output.",
                                                         "No wave output file was specified. Parsing can not continue."}));
    EXPECT_TRUE(engine->speaks.empty());
    EXPECT_TRUE(Pane().empty());

    prompts.Clear();
    const std::string chosen = dir + "/chosen.wav";
    prompts.QueueFileResult(chosen);
    RunHead();
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Please specify a destination file for the speech output."}));
    EXPECT_EQ(session->waveOutputPath, chosen);
    EXPECT_EQ(engine->speaks.size(), 1u);
    RegKey key;
    std::string stored;
    ASSERT_EQ(key.Open(kSettingsHive, kSettingsKey), ERROR_SUCCESS);
    ASSERT_EQ(key.QueryString(kWaveFileValue, stored, kWaveFileMaxBytes), ERROR_SUCCESS);
    EXPECT_EQ(stored, chosen);
}

TEST_F(Session, WavePassAddsNeitherKeysNorSpokenTime) {
    session->options.generateScratchTrack = true;
    engine->Say("Hello", {PhonemeEvent(kAa, 100), BookmarkEvent("brow:true,,left,1.0,100,500"),
                          PhonemeEvent(kAe, 100), SentenceEvent(5), SentenceEvent(5)});
    RunHead();
    ASSERT_EQ(engine->speaks.size(), 2u);
    EXPECT_FALSE(engine->speaks[0].waveMode);
    EXPECT_TRUE(engine->speaks[1].waveMode);
    // Recorded beside the output, which keeps its file until the recording is whole.
    ASSERT_EQ(engine->waveFiles.size(), 1u);
    EXPECT_EQ(engine->waveFiles[0].rfind(session->waveOutputPath + ".tmp-", 0), 0u) << engine->waveFiles[0];
    EXPECT_FALSE(engine->InWaveMode());
    EXPECT_EQ(engine->releases, 1);
    EXPECT_EQ(session->waveMode, 0);
    EXPECT_EQ(session->clock.spokenMs, 200);
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{0, 482}));
    EXPECT_EQ(KeyTimes(head[13]), (std::vector<TimeValue>{482, 964, 3378}));
    EXPECT_EQ(NotesOf(head[1]).size(), 2u);
    const std::string& p = Pane();
    EXPECT_EQ(p.find("+++ Adding keys"), p.rfind("+++ Adding keys"));
    EXPECT_TRUE(PaneHas("Animation adjusted by 0.0")) << p;
    EXPECT_TRUE(PaneHas("Done Synchronizing wave file.")) << p;
}

TEST_F(Session, FailedSwitchToWaveOutputSkipsTheWavePass) {
    session->options.generateScratchTrack = true;
    engine->waveModeResult = E_FAIL;
    engine->Say("Hello", {PhonemeEvent(kAa, 100)});
    RunHead();
    EXPECT_EQ(engine->speaks.size(), 1u);
    EXPECT_EQ(session->waveMode, 0);
    EXPECT_FALSE(PaneHas("Synchronizing"));
    EXPECT_FALSE(std::filesystem::exists(session->waveOutputPath));
    EXPECT_TRUE(PaneHas("Error: The speech could not be recorded into the wave output file '" +
                        session->waveOutputPath + "'. No sound was placed on the sound track.\n"))
        << Pane();
    EXPECT_EQ(Errors(), 1);
}

TEST_F(Session, InFrameBeyondTheTimeLineIsRefusedBeforeAnythingRuns) {
    // At 30 frames per second frame 13,421,772 starts at tick 2,147,483,520; one more would wrap.
    EXPECT_EQ(InFrameStartTick(13421772, 30), std::optional<TimeValue>(2147483520));
    EXPECT_EQ(InFrameStartTick(13421773, 30), std::nullopt);
    EXPECT_EQ(InFrameStartTick(-1, 30), std::nullopt);
    EXPECT_EQ(LastInFrame(30), 13421772);
    EXPECT_EQ(LastInFrame(4800), TIME_PosInfinity - 1);

    engine->Say("Hello", {PhonemeEvent(kAa, 100)});
    AddKey(head[1], 100, 0.5f);
    session->options.inFrame = 100000000;
    const std::string message =
        "In Frame 100000000 is out of range: at 30 frames per second it must lie between 0 and 13421772.";
    EXPECT_EQ(session->InFrameProblem(), message);
    RunHead();
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{message}));
    EXPECT_TRUE(engine->speaks.empty());
    EXPECT_FALSE(PaneHas("Parsing started"));
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{100}));

    // The last In Frame runs; speech past the end of the time line stops there.
    session->options.inFrame = 13421772;
    EXPECT_EQ(session->InFrameProblem(), "");
    engine->Say("Hello", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 100)});
    RunHead();
    const std::vector<TimeValue> times = KeyTimes(head[1]);
    ASSERT_GE(times.size(), 2u);
    EXPECT_EQ(times[1], 2147483520);
    EXPECT_EQ(*std::min_element(times.begin(), times.end()), 100);
    EXPECT_EQ(session->clock.currentTick, TIME_PosInfinity);
}

TEST_F(Session, DeleteAfterAnInFrameBeyondTheTimeLineClearsNothing) {
    AddKey(head[1], 100, 0.5f);
    session->options.deleteKeysAfterInFrame = true;
    session->options.inFrame = 100000000;  // 16e9 ticks: would wrap to a negative tick
    editor.currentActorNode = "Head";
    session->DeleteKeysAfterInFrame();
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{100}));
}

TEST_F(Session, IsDoneFailingInTheMiddleOfTheWaitEndsTheRunWithIt) {
    session->options.generateScratchTrack = true;
    engine->Say("one", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 100), PhonemeEvent(kAa, 100)});
    engine->Say("two", {PhonemeEvent(kAa, 100)});
    engine->onHandled = [&](const ScriptedEvent&, std::size_t index) {
        if (index == 0) engine->isDoneResult = E_FAIL;
    };
    Run(Script({{"Head", "one"}, {"Head", "two"}}));
    EXPECT_EQ(session->keysPassResult, E_FAIL);
    EXPECT_EQ(session->engineFailure, E_FAIL);
    EXPECT_FALSE(session->stoppedByUser);
    EXPECT_EQ(engine->speaks.size(), 1u);  // the second actor is never spoken
    EXPECT_TRUE(engine->waveFiles.empty());
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{0}));
    EXPECT_FALSE(editor.isParsing);
    EXPECT_NE(Pane().find(": 0 Errors, 0 warnings ]---\n"), std::string::npos) << Pane();
}

TEST_F(Session, StopDuringTheWavePassIsAStoppedRunThatKeepsTheOutput) {
    session->options.generateScratchTrack = true;
    WriteWaveFile(session->waveOutputPath, std::vector<std::int16_t>(100, 7));
    const std::string before = ReadBytes(session->waveOutputPath);
    engine->Say("Hello", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 100)});
    engine->onHandled = [&](const ScriptedEvent&, std::size_t) {
        if (engine->InWaveMode()) session->RequestStop();
    };
    RunHead();
    EXPECT_TRUE(session->stoppedByUser);
    EXPECT_EQ(session->keysPassResult, S_OK);
    EXPECT_EQ(LineBeforeClosing(), "Parsing stopped by user.\n") << Pane();
    EXPECT_FALSE(PaneHas("Synchronizing"));
    EXPECT_EQ(ReadBytes(session->waveOutputPath), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST_F(Session, AStopAskedForAsTheRecordingEndsIsNotLost) {
    session->options.generateScratchTrack = true;
    WriteWaveFile(session->waveOutputPath, std::vector<std::int16_t>(100, 7));
    const std::string before = ReadBytes(session->waveOutputPath);
    engine->Say("Hello", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 100)});
    // Ctrl+C lands just after the last look of the recording's wait, when
    // the engine has nothing left to say.
    bool interrupted = false;
    session->onWaitTurn = [&] {
        if (interrupted) session->RequestStop();
        interrupted = engine->InWaveMode() && engine->IsDone() == S_OK;
    };
    RunHead();
    EXPECT_TRUE(session->stoppedByUser);
    EXPECT_EQ(LineBeforeClosing(), "Parsing stopped by user.\n") << Pane();
    EXPECT_FALSE(PaneHas("Synchronizing"));
    EXPECT_EQ(ReadBytes(session->waveOutputPath), before);
}

TEST_F(Session, WaveSwitchOnWhileOnSwitchesBackToTheSpeakers) {
    ASSERT_EQ(session->WaveSwitch(true), S_OK);
    EXPECT_TRUE(engine->InWaveMode());
    EXPECT_EQ(session->waveMode, 1);
    ASSERT_EQ(session->WaveSwitch(true), S_OK);
    EXPECT_FALSE(engine->InWaveMode());
    EXPECT_EQ(session->waveMode, 0);
    EXPECT_EQ(engine->waveFiles.size(), 1u);
    engine->waveModeResult = E_FAIL;
    EXPECT_EQ(session->WaveSwitch(true), E_FAIL);
    EXPECT_EQ(session->waveMode, 0);
}

}  // namespace
}  // namespace lipsmith::testing
