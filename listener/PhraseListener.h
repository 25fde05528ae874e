// The phrase listener: what the script editor's run button does in phrase
// mode ("Speak Phrase"). The animator speaks the script's text; the speech
// server recognises it against that text, records it and sends the voice's
// phonemes timed to the animator's words, which the session turns into keys
// on the selected actor. The recording is then merged into the wave output
// and placed on the scene's sound track.
#pragma once
#include <string>

#include "Result.h"
#include "Time.h"

class INode;

namespace lipsmith {

class SpeechSession;

// What the editor knows when "Speak Phrase" is pressed.
struct PhraseListenerInput {
    bool itemSelected = false;         // an item of the actors tree is selected
    const INode* actorNode = nullptr;  // the actor of that item (a controller item: its node's)
};

class PhraseListener {
public:
    explicit PhraseListener(SpeechSession& session);

    // A listener run when idle, the stop request while one runs.
    HRESULT Run(const PhraseListenerInput& input);
    // The recognition step of a run: S_OK when a phrase was recognised and
    // its keys made.
    HRESULT SpeakPhrase(const PhraseListenerInput& input);
    // What Stop in the progress window does.
    void RequestStop();

    // Nobody is there to press Stop (the command line): a message box of the
    // server saying that recognition cannot start ends the wait as well.
    bool stopOnServerError = false;

    // How the last run ended.
    bool PhraseRecorded() const { return recorded_; }
    bool Interrupted() const { return interrupted_; }
    // Where the phrase's sound starts on the sound track (when recorded).
    TimeValue SoundStart() const { return soundStart_; }

private:
    bool PlaceRecording();

    SpeechSession& session_;
    bool recorded_ = false;
    bool interrupted_ = false;
    bool serverError_ = false;
    TimeValue soundStart_ = 0;
};

// The editor's entry point.
HRESULT PhraseListenerRun(SpeechSession& session, const PhraseListenerInput& input);

}  // namespace lipsmith
