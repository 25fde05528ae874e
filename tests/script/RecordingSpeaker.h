// A speaker for parser tests: records what each actor would say and answers
// as the speech session would (optionally stopping the run on a given actor).
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ActorSpeaker.h"
#include "ScriptDlg.h"

namespace lipsmith {

class RecordingSpeaker : public ActorSpeaker {
public:
    explicit RecordingSpeaker(ScriptDlg& dlg) : dlg_(dlg) { dlg.SetActorSpeaker(this); }

    struct Call {
        std::string text;
        int wavePass = 0;
        std::string actorNode;
        std::size_t documentTextLength = 0;
    };

    HRESULT SpeakActor(const std::string& text, int wavePass) override {
        calls.push_back({text, wavePass, dlg_.currentActorNode, dlg_.ParseDocumentTextLength()});
        if (onSpeak) return onSpeak(calls.size() - 1);
        return S_OK;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Call& c : calls) texts.push_back(c.text);
        return texts;
    }

    std::vector<Call> calls;
    // Called with the zero-based actor number; its result is SpeakActor's.
    std::function<HRESULT(std::size_t)> onSpeak;

private:
    ScriptDlg& dlg_;
};

}  // namespace lipsmith
