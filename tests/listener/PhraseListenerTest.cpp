// The phrase listener with a listening server double: the run's log, keys
// on the selected actor timed by the phonemes the server sends, Stop and
// undo, the recording merged into the wave output and placed on the sound
// track, and the failures on the way.
#include <gtest/gtest.h>

#include "Hold.h"
#include "Interface.h"
#include "ListeningEngine.h"
#include "PhraseListener.h"
#include "PipelineFixture.h"
#include "Sound.h"

namespace lipsmith::testing {
namespace {

constexpr const char* kClosingZeroZero = ": 0 Errors, 0 warnings ]---\n";

class ListenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ip.ResetScene();
        ip.SetFrameRate(30);
        std::string pattern = ::testing::TempDir() + "listener_case.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        session = std::make_unique<SpeechSession>(editor, ip);
        engine = new ListeningEngine();
        ASSERT_EQ(session->Start(std::unique_ptr<ITTS>(engine)), S_OK);
        session->waveOutputPath = dir + "/out.wav";
        session->options.enableUndo = true;
        session->options.generateScratchTrack = true;
        prompts.Clear();
        listener = std::make_unique<PhraseListener>(*session);

        head = ip.CreateNode("Head");
        width = AddController(head, 1);
        open = AddController(head, 2);
        jaw = ip.CreateNode("Jaw", head);
        jawOpen = AddController(jaw, 2);
        other = ip.CreateNode("Other");
        otherOpen = AddController(other, 2);
        session->RebuildSpeakers();
        editor.SetColoredScript("hello world", false);

        // "hello": two phonemes; "world": two, then a pause.
        engine->phonemes = {PhonemeEvent(12, 100), PhonemeEvent(20, 150), PhonemeEvent(47, 200),
                            PhonemeEvent(33, 50), PhonemeEvent(7, 300)};
        engine->phrase.assign(22050, 500);  // one second
    }
    void TearDown() override {
        listener.reset();
        session.reset();
        ip.ResetScene();
        theHold.ClearUndo();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    SpeechController* AddController(INode* node, ChannelId channel) {
        auto* c = new SpeechController();
        c->channel = channel;
        node->AddTrack(ChannelName(channel), c);
        return c;
    }
    HRESULT Listen(const INode* actor) {
        PhraseListenerInput input;
        input.itemSelected = true;
        input.actorNode = actor;
        return listener->Run(input);
    }
    const std::string& Pane() const { return editor.Output().Text(); }
    bool PaneHas(const std::string& s) const { return Pane().find(s) != std::string::npos; }
    IWaveSound* Sound() { return GetWaveSoundInterface(ip.GetSoundObject()); }

    Interface& ip = *GetCOREInterface();
    ScriptedPrompts prompts;
    ScopedPrompts usePrompts{prompts};
    ScriptDlg editor;
    std::unique_ptr<SpeechSession> session;
    ListeningEngine* engine = nullptr;  // owned by the session
    std::unique_ptr<PhraseListener> listener;
    std::string dir;
    INode *head = nullptr, *jaw = nullptr, *other = nullptr;
    SpeechController *width = nullptr, *open = nullptr, *jawOpen = nullptr, *otherOpen = nullptr;
};

TEST_F(ListenerTest, APhraseKeysTheActorAndItsDescendantsAndBecomesTheWaveOutput) {
    session->options.inFrame = 10;  // tick 1600
    ASSERT_EQ(Listen(head), S_OK);
    EXPECT_EQ(engine->grammars, std::vector<std::string>{"hello world"});
    EXPECT_EQ(engine->stopRecos, 1);
    EXPECT_EQ(engine->voiceModes, 1);

    // One key per phoneme at the phonemes' own times from In Frame, in
    // exact ticks (the times are the recording's); the actor's child is
    // keyed too, the other actor is not.
    const std::vector<TimeValue> times = {1600, 1600 + 480, 1600 + 1200, 1600 + 2160, 1600 + 2400};
    EXPECT_EQ(KeyTimes(open), times);
    EXPECT_EQ(KeyTimes(width), times);
    EXPECT_EQ(KeyTimes(jawOpen), times);
    EXPECT_TRUE(KeyTimes(otherOpen).empty());
    EXPECT_EQ(session->clock.ticksPerMs, kTicksPerMs);  // scripts keep their own rate

    // The wave output holds exactly the phrase, on the sound track from In Frame.
    EXPECT_EQ(WaveSamples(session->waveOutputPath), engine->phrase);
    ASSERT_NE(Sound(), nullptr);
    EXPECT_EQ(std::string(Sound()->GetSoundFileName()), session->waveOutputPath);
    EXPECT_EQ(Sound()->GetStartTime(), 1600);
    // The server recorded beside the output, never into it; nothing is left behind.
    EXPECT_NE(engine->phrasePath, session->waveOutputPath);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);

    EXPECT_EQ(Pane().rfind("---[ Listener started at ", 0), 0u);
    EXPECT_NE(Pane().find(" ]---\n\n"), std::string::npos);
    const std::string closing = "\n---[ Listener stopped at ";
    const std::size_t at = Pane().rfind(closing);
    ASSERT_NE(at, std::string::npos);
    // "YYYY/MM/DD HH:MM:SS " then the colon and the counts.
    EXPECT_EQ(Pane().substr(at + closing.size() + 20), kClosingZeroZero);
    EXPECT_FALSE(editor.isParsing);
    EXPECT_TRUE(prompts.Messages().empty());

    // One undo step takes back the keys and the sound.
    EXPECT_EQ(std::string(theHold.UndoName()), "Speech to Anim");
    theHold.Undo();
    EXPECT_TRUE(KeyTimes(open).empty());
}

TEST_F(ListenerTest, StopBeforeSpeakingEndsWithOneErrorAndLeavesTheKeysAsTheyWere) {
    AddKey(open, 0, 0.5f);
    AddKey(open, 9600, 0.25f);
    WriteWaveFile(session->waveOutputPath, std::vector<std::int16_t>(2205, 7));
    const std::string before = ReadBytes(session->waveOutputPath);
    engine->hears = false;
    int turns = 0;
    session->onWaitTurn = [&] {
        // The user presses Stop in the progress window after a while.
        if (++turns == 5) session->Progress()->PressStop();
    };
    bool listenerText = false;
    session->onProgressOpened = [&](ProgressModel& p) { listenerText = p.TextVisible() && !p.BarVisible(); };
    session->options.deleteKeysAfterInFrame = true;  // undone with the rest

    EXPECT_NE(Listen(head), S_OK);
    EXPECT_TRUE(listenerText);
    EXPECT_TRUE(listener->Interrupted());
    EXPECT_TRUE(PaneHas("Listener was interrupted.\n"));
    EXPECT_NE(Pane().find(": 1 Errors, 0 warnings ]---\n"), std::string::npos);
    EXPECT_EQ(editor.Output().errorCount, 1);
    EXPECT_EQ(KeyTimes(open), (std::vector<TimeValue>{0, 9600}));
    EXPECT_EQ(engine->stopRecos, 1);
    EXPECT_EQ(ReadBytes(session->waveOutputPath), before);
    EXPECT_FALSE(theHold.CanUndo());
    EXPECT_FALSE(editor.isParsing);
}

TEST_F(ListenerTest, WithoutAnActorNothingListensAndTheRunStillCloses) {
    PhraseListenerInput none;
    EXPECT_NE(listener->Run(none), S_OK);
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text,
              "Please select an actor in the actor view before pressing the 'Speak Phrase' button.");
    PhraseListenerInput noActor;
    noActor.itemSelected = true;
    EXPECT_NE(listener->Run(noActor), S_OK);
    EXPECT_EQ(prompts.Messages().back().text, "Internal error 14231");
    EXPECT_TRUE(engine->grammars.empty());
    EXPECT_NE(Pane().find("\n---[ Listener stopped at "), std::string::npos);
    EXPECT_FALSE(theHold.CanUndo());
}

TEST_F(ListenerTest, APreviousRecordingAfterInFrameFollowsTheNewPhrase) {
    // The previous output (0.5 s) is on the sound track from frame 60 (tick 9600).
    const std::vector<std::int16_t> previous(11025, 3);
    WriteWaveFile(session->waveOutputPath, previous);
    ip.SetSoundObject(NewDefaultSoundObj());
    Sound()->SetSoundFileName(TSTR(session->waveOutputPath.c_str()));
    Sound()->SetStartTime(9600);
    session->options.inFrame = 30;  // tick 4800, one second before it
    editor.replaceMode = 0;         // insert

    ASSERT_EQ(Listen(head), S_OK);
    const std::vector<std::int16_t> merged = WaveSamples(session->waveOutputPath);
    std::vector<std::int16_t> expected = engine->phrase;  // one second from In Frame
    expected.insert(expected.end(), previous.begin(), previous.end());
    EXPECT_EQ(merged, expected);
    EXPECT_EQ(Sound()->GetStartTime(), 4800);
    EXPECT_TRUE(PaneHas("Merged the previous wave output (0.50 s)"));

    // Undo gives the previous output and its place back.
    theHold.Undo();
    EXPECT_EQ(WaveSamples(session->waveOutputPath), previous);
}

TEST_F(ListenerTest, FailuresOfTheServerEndTheRunWithoutTouchingTheOutput) {
    WriteWaveFile(session->waveOutputPath, std::vector<std::int16_t>(100, 9));
    const std::string before = ReadBytes(session->waveOutputPath);

    engine->recoResult = E_FAIL;
    EXPECT_NE(Listen(head), S_OK);
    EXPECT_TRUE(PaneHas("Speech Reco Failed"));
    EXPECT_EQ(editor.Output().errorCount, 1);

    // Recognition ended without a phrase: no file, no keys.
    engine->recoResult = S_OK;
    engine->writesFile = false;
    EXPECT_NE(Listen(head), S_OK);
    EXPECT_TRUE(PaneHas("No phrase was recognised"));
    EXPECT_EQ(editor.Output().errorCount, 1);

    // A failing StopReco means no merge.
    engine->writesFile = true;
    engine->stopRecoResult = E_FAIL;
    EXPECT_NE(Listen(head), S_OK);
    EXPECT_EQ(ReadBytes(session->waveOutputPath), before);
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();

    // The switch back to voice mode failing ends the run before it listens.
    engine->voiceModeResult = E_FAIL;
    const std::size_t asked = engine->grammars.size();
    EXPECT_NE(Listen(head), S_OK);
    EXPECT_EQ(engine->grammars.size(), asked);
    EXPECT_EQ(ReadBytes(session->waveOutputPath), before);
}

TEST_F(ListenerTest, TheServersMessageBoxIsShownAndCanEndAWaitNobodyCanStop) {
    engine->hears = false;
    engine->box = ListeningEngine::Box{MB_OK | MB_ICONERROR, "Lipsmith", "Failed to start the Speech Recognition Engine"};
    listener->stopOnServerError = true;
    EXPECT_NE(Listen(head), S_OK);
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].caption, "Lipsmith");
    EXPECT_EQ(prompts.Messages()[0].text, "Failed to start the Speech Recognition Engine");
    EXPECT_EQ(prompts.Messages()[0].type, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(PaneHas("Listener was interrupted.\n"));
    EXPECT_EQ(engine->stopRecos, 1);
}

TEST_F(ListenerTest, PressingTheRunButtonAgainIsTheStopRequest) {
    engine->hears = false;
    int turns = 0;
    session->onWaitTurn = [&] {
        if (++turns == 3) PhraseListenerRun(*session, {});
    };
    EXPECT_NE(Listen(head), S_OK);
    EXPECT_TRUE(prompts.Messages().empty());  // no second run asked for an actor
    EXPECT_TRUE(PaneHas("Listener was interrupted.\n"));
}

}  // namespace
}  // namespace lipsmith::testing
