// The phrase listener: what the script editor's run button does in phrase
// mode ("Speak Phrase"). Recognition is not built yet; until it is, the
// entry point only tells the user so.
#pragma once
#include "Result.h"

class INode;

namespace lipsmith {

class SpeechSession;

inline constexpr const char* kListenerNotAvailable = "Speak Phrase is not available yet in this version of Lipsmith.";

// What the editor knows when "Speak Phrase" is pressed.
struct PhraseListenerInput {
    bool itemSelected = false;       // an item of the actors tree is selected
    const INode* actorNode = nullptr;  // the actor of that item (a controller item: its node's)
};

// "Speak Phrase": a listener run when idle, the stop request while one runs.
// Answers E_NOTIMPL (after saying so) while recognition is not available.
HRESULT PhraseListenerRun(SpeechSession& session, const PhraseListenerInput& input);

}  // namespace lipsmith
