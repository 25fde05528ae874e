#include "DemoScene.h"

#include "SpeechController.h"

namespace lipsmith {
namespace {

// A new speech controller made by its plug-in's class descriptor, following ch.
SpeechController* NewController(ClassDesc* desc, ChannelId ch) {
    auto* c = AsSpeechController(static_cast<ReferenceTarget*>(desc->Create(FALSE)));
    if (c) c->channel = ch;
    return c;
}

}  // namespace

bool BuildDemoScene(Interface& ip, std::string* error) {
    ClassDesc* desc = ClassDirectory::Get().FindClass(CTRL_FLOAT_CLASS_ID, SPEECH_CONTROLLER_CLASS_ID);
    if (!desc) {
        if (error) *error = "The speech controller plug-in (Lipsmith.dlc) is not loaded.";
        return false;
    }
    ip.ResetScene();
    ip.SetFrameRate(30);
    INode* head = ip.CreateNode("Head");
    for (ChannelId ch = kFirstChannel; ch <= kLastChannel; ++ch) {
        head->AddTrack(ChannelName(ch), NewController(desc, ch));
    }
    INode* jaw = ip.CreateNode("Jaw", head);
    jaw->AddTrack(ChannelName(2), NewController(desc, 2));
    INode* narrator = ip.CreateNode("Narrator");
    for (ChannelId ch = kFirstChannel; ch <= kLastMouthChannel; ++ch) {
        narrator->AddTrack(ChannelName(ch), NewController(desc, ch));
    }
    SetSaveRequiredFlag(FALSE);
    return true;
}

}  // namespace lipsmith
