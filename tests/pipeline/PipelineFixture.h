// A scene of speech controllers, a script editor and a speech session driven
// by the scripted engine, with scripted message boxes and a folder of its own.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Interface.h"
#include "KeyControl.h"
#include "NoteTrack.h"
#include "ScriptDlg.h"
#include "ScriptedEngine.h"
#include "ScriptedPrompts.h"
#include "SpeechController.h"
#include "SpeechSession.h"

namespace lipsmith::testing {

// Key flags a mouth key gets: after a stream start, ordinarily, and before a pause.
inline constexpr DWORD kFirstKeyFlags = 0x1670;
inline constexpr DWORD kOrdinaryKeyFlags = 0x16F0;

struct Note {
    TimeValue t;
    std::string text;
    bool operator==(const Note&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Note& n) { return os << n.t << ":" << n.text; }

inline std::vector<IBezFloatKey> KeysOf(SpeechController* c) {
    std::vector<IBezFloatKey> out;
    IKeyControl* ikc = GetKeyControlInterface(c->GetKeyTrack());
    for (int i = 0; ikc && i < ikc->GetNumKeys(); ++i) {
        IBezFloatKey k;
        ikc->GetKey(i, &k);
        out.push_back(k);
    }
    return out;
}
inline std::vector<TimeValue> KeyTimes(SpeechController* c) {
    std::vector<TimeValue> out;
    for (const IBezFloatKey& k : KeysOf(c)) out.push_back(k.time);
    return out;
}
inline std::vector<float> KeyValues(SpeechController* c) {
    std::vector<float> out;
    for (const IBezFloatKey& k : KeysOf(c)) out.push_back(k.val);
    return out;
}
// In time order (notes at one time in the order they were added).
inline std::vector<Note> NotesOf(SpeechController* c) {
    std::vector<Note> out;
    auto* nt = static_cast<DefNoteTrack*>(c->GetNoteTrack());
    for (int i = 0; nt && i < nt->keys.Count(); ++i) out.push_back({nt->keys[i]->time, nt->keys[i]->note});
    std::stable_sort(out.begin(), out.end(), [](const Note& a, const Note& b) { return a.t < b.t; });
    return out;
}
inline void AddKey(SpeechController* c, TimeValue t, float v) { c->SetValueLocalTime(t, &v); }

// One actor per pair (node, text), in order.
inline std::string Script(const std::vector<std::pair<std::string, std::string>>& actors) {
    std::string s = "<_ANIM_>";
    for (const auto& [node, text] : actors) s += "<actor node=\"" + node + "\">" + text + "</actor>";
    return s + "</_ANIM_>";
}

class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ip.ResetScene();
        ip.SetFrameRate(30);
        std::string pattern = ::testing::TempDir() + "pipeline_case.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        session = std::make_unique<SpeechSession>(editor, ip);
        engine = new ScriptedEngine();
        ASSERT_EQ(session->Start(std::unique_ptr<ITTS>(engine)), S_OK);
        session->waveOutputPath = dir + "/out.wav";
        session->options.generateScratchTrack = false;
        prompts.Clear();
    }
    void TearDown() override {
        session.reset();
        ip.ResetScene();
        theHold.ClearUndo();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    SpeechController* AddController(INode* node, ChannelId channel, const char* track = nullptr) {
        auto* c = new SpeechController();
        c->channel = channel;
        node->AddTrack(track ? track : ChannelName(channel), c);
        return c;
    }
    // "Head" with all fourteen channels (head[ch]), its child "Jaw" with Mouth Open.
    void BuildHead() {
        headNode = ip.CreateNode("Head");
        for (ChannelId ch = kFirstChannel; ch <= kLastChannel; ++ch) head[ch] = AddController(headNode, ch);
        jawNode = ip.CreateNode("Jaw", headNode);
        jaw = AddController(jawNode, 2);
        session->RebuildSpeakers();
    }
    // Puts the script in the editor and runs Parse Script.
    void Run(const std::string& script) {
        editor.SetColoredScript(script, false);
        session->SpeechToAnimRun();
    }
    void RunHead(const std::string& text = "Hello") { Run(Script({{"Head", text}})); }

    const std::string& Pane() const { return editor.Output().Text(); }
    bool PaneHas(const std::string& text) const { return Pane().find(text) != std::string::npos; }
    int Warnings() const { return editor.Output().warningCount; }
    int Errors() const { return editor.Output().errorCount; }
    // Map values as set by the test: entry (phone - 1), one parameter.
    void SetMap(int phone, MouthParameter p, float v) {
        session->ActiveMap()[static_cast<std::size_t>(phone - 1)][p] = v;
    }

    Interface& ip = *GetCOREInterface();
    ScriptedPrompts prompts;
    ScopedPrompts usePrompts{prompts};
    ScriptDlg editor;
    std::unique_ptr<SpeechSession> session;
    ScriptedEngine* engine = nullptr;  // owned by the session
    std::string dir;
    INode* headNode = nullptr;
    INode* jawNode = nullptr;
    SpeechController* head[kLastChannel + 1] = {};
    SpeechController* jaw = nullptr;
};

}  // namespace lipsmith::testing
