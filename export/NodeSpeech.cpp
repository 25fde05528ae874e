#include "NodeSpeech.h"

#include <algorithm>

#include "NoteTrack.h"
#include "PhonemeSet.h"
#include "SceneJson.h"
#include "SpeechController.h"

namespace lipsmith::exports {
namespace {

struct Note {
    TimeValue time;
    std::string text;
};

std::vector<Note> NotesOf(SpeechController* c) {
    std::vector<Note> notes;
    NoteTrack* nt = c->GetNoteTrack();
    if (!nt || nt->ClassID() != DEF_NOTETRACK_CLASS_ID) return notes;
    const NoteKeyTab& keys = static_cast<DefNoteTrack*>(nt)->keys;
    for (int i = 0; i < keys.Count(); ++i) notes.push_back({keys[i]->time, keys[i]->note});
    // Notes are appended, not inserted: a run in Insert mode leaves them out of order.
    std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) { return a.time < b.time; });
    return notes;
}

// The node itself, then its descendants depth first (a node before its children).
std::vector<INode*> NodeAndDescendants(INode* node) {
    std::vector<INode*> order, stack{node};
    while (!stack.empty()) {
        INode* n = stack.back();
        stack.pop_back();
        order.push_back(n);
        for (int i = n->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(n->GetChildNode(i));
    }
    return order;
}

bool HasOwnSpeechControllers(INode* node) {
    bool any = false;
    ForEachSpeechController(node, [&](const std::string&, SpeechController*) { any = true; });
    return any;
}

// The node a run keys for the name: the first of that name that carries
// speech controllers itself; else the first of that name.
INode* FindNode(Interface& ip, const std::string& name) {
    INode* first = nullptr;
    for (INode* n : NodeAndDescendants(ip.GetRootNode())) {
        if (n->IsRootNode() || name != n->GetName()) continue;
        if (HasOwnSpeechControllers(n)) return n;
        if (!first) first = n;
    }
    return first;
}

TimeValue SoundEnd(Interface& ip, std::string& file) {
    IWaveSound* ws = GetWaveSoundInterface(ip.GetSoundObject());
    if (!ws) return TIME_NegInfinity;
    file = ws->GetSoundFileName();
    if (file.empty() || ws->GetEndTime() <= ws->GetStartTime()) return TIME_NegInfinity;
    return ws->GetEndTime();
}

}  // namespace

int PhonemeIdOfNote(const std::string& text) {
    for (int id = 1; id <= kPhonemeCount; ++id) {
        if (text == PhonemeSymbol(id)) return id;
    }
    return 0;
}

NodeSpeechResult ReadNodeSpeech(Interface& ip, const std::string& nodeName) {
    NodeSpeechResult result;
    NodeSpeech& speech = result.speech;
    speech.node = nodeName;
    INode* node = nodeName.empty() ? nullptr : FindNode(ip, nodeName);
    if (!node) {
        result.error = "the scene has no node named '" + nodeName + "'";
        return result;
    }

    bool anyController = false;
    std::vector<Note> notes;
    for (INode* n : NodeAndDescendants(node)) {
        std::vector<Note> best;
        ForEachSpeechController(n, [&](const std::string&, SpeechController* c) {
            anyController = true;
            if (IsValidChannel(c->channel) && !speech.channels[c->channel - 1]) speech.channels[c->channel - 1] = c;
            if (!IsMouthChannel(c->channel) || !notes.empty()) return;
            std::vector<Note> mine = NotesOf(c);
            if (mine.size() > best.size()) best = std::move(mine);
        });
        if (notes.empty()) notes = std::move(best);
    }
    if (!anyController) {
        result.error = "node '" + nodeName + "' has no speech controllers, nor do the nodes below it";
        return result;
    }

    for (std::size_t i = 0; i < notes.size(); ++i) {
        PhonemeSpan span;
        span.start = notes[i].time;
        span.text = notes[i].text;
        span.phoneme = PhonemeIdOfNote(span.text);
        if (span.phoneme == 0 &&
            std::find(speech.unknownNotes.begin(), speech.unknownNotes.end(), span.text) == speech.unknownNotes.end()) {
            speech.unknownNotes.push_back(span.text);
        }
        speech.phonemes.push_back(std::move(span));
    }
    speech.end = SoundEnd(ip, speech.soundFile);
    if (!speech.phonemes.empty()) {
        speech.end = std::max(speech.end, AddTicksClamped(speech.phonemes.back().start, ip.GetTicksPerFrame()));
    }
    speech.end = std::max(speech.end, 0);
    for (std::size_t i = 0; i < speech.phonemes.size(); ++i) {
        speech.phonemes[i].end = i + 1 < speech.phonemes.size() ? speech.phonemes[i + 1].start : speech.end;
    }
    return result;
}

}  // namespace lipsmith::exports
