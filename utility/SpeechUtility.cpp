#include "SpeechUtility.h"

#include <dlfcn.h>

#include <filesystem>

#include "Registration.h"
#include "Registry.h"
#include "SpeechController.h"
#include "TtsClient.h"
#include "UtilityResource.h"
#include "UtilityWindows.h"

namespace lipsmith {

namespace {

SpeechController* ControllerOf(PartID partID) {
    return reinterpret_cast<SpeechController*>(static_cast<std::uintptr_t>(partID));
}

// Whether `wanted` is among the sub-animatables below `anim` (compared by
// address only: the object may be on its way out).
bool InAnimTree(Animatable* anim, const void* wanted, int depth) {
    if (!anim || depth > 64) return false;
    if (anim == wanted) return true;
    for (int i = 0; i < anim->NumSubs(); ++i)
        if (InAnimTree(anim->SubAnim(i), wanted, depth + 1)) return true;
    return false;
}

bool InNodeTree(INode* node, const void* wanted) {
    if (!node) return false;
    if (InAnimTree(node, wanted, 0)) return true;
    for (int i = 0; i < node->NumberOfChildren(); ++i)
        if (InNodeTree(node->GetChildNode(i), wanted)) return true;
    return false;
}

}  // namespace

// A fresh installation has not registered its speech server yet: the one
// beside this plug-in is registered, as an installer would.
static void RegisterServerBesidePlugin() {
    std::error_code ec;
    const std::string registered = tts::RegisteredServerProgram();
    if (!registered.empty() && std::filesystem::exists(registered, ec)) return;
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&RegisterServerBesidePlugin), &info) || !info.dli_fname) return;
    const auto beside = std::filesystem::path(info.dli_fname).parent_path() / "Lipsmith_TTS";
    if (std::filesystem::exists(beside, ec)) tts::RegisterServer(RegistryStore::Default(), beside.string());
}

SpeechUtility::SpeechUtility() {
    RegisterGlobalReference(this);
    engineFactory_ = [](std::unique_ptr<ITTS>* out) {
        RegisterServerBesidePlugin();
        return CreateCTTS(out);
    };
}

SpeechUtility::~SpeechUtility() {
    DestroyEditor();
    UnRegisterGlobalReference(this);
}

// --- Opening and closing ----------------------------------------------------------

void SpeechUtility::BeginEditParams(Interface* ip, IUtil* iu) {
    ip_ = ip;
    iu_ = iu;
    if (windows_) windows_->AddPages(*ip, *this);
    if (editor_) editor_->RefillActors();
    ip->RegisterNotification(OnNotify, this, NOTIFY_SCENE_NODES_CHANGED);
    ip->RegisterNotification(OnNotify, this, NOTIFY_FILE_PRE_OPEN);
}

void SpeechUtility::EndEditParams(Interface* ip, IUtil*) {
    ip->UnRegisterNotification(OnNotify, this, NOTIFY_SCENE_NODES_CHANGED);
    ip->UnRegisterNotification(OnNotify, this, NOTIFY_FILE_PRE_OPEN);
    if (editor_) {
        editor_->SavePrompt(false);
        if (windows_) windows_->HideEditorWindow();
    }
    if (windows_) windows_->DeletePages(*ip);
    ip_ = nullptr;
    iu_ = nullptr;
}

void SpeechUtility::OnNotify(void* param, NotifyInfo* info) {
    auto* self = static_cast<SpeechUtility*>(param);
    if (!info) return;
    if (info->intcode == NOTIFY_FILE_PRE_OPEN) {
        if (self->iu_) self->iu_->CloseUtility();
    } else if (info->intcode == NOTIFY_SCENE_NODES_CHANGED) {
        if (self->IsOpen() && self->editor_) self->editor_->RefillActors();
    }
}

// --- The editor ------------------------------------------------------------------

void SpeechUtility::CreateEditor() {
    Interface& ip = ip_ ? *ip_ : *GetCOREInterface();
    editor_ = std::make_unique<ScriptEditor>(ip);
    editor_->onWaveFileChanged = [this] { ShowWaveFile(); };
    if (windows_) windows_->CreateEditorWindow(*editor_, ip);
    editor_->Open(engineFactory_);
    ip.RegisterTimeChangeCallback(editor_.get());
}

void SpeechUtility::DestroyEditor() {
    if (!editor_) return;
    if (windows_) windows_->DestroyEditorWindow();
    editor_->Host().UnRegisterTimeChangeCallback(editor_.get());
    editor_.reset();
}

void SpeechUtility::ShowWaveFile() {
    if (windows_ && editor_) windows_->ShowWaveFile(editor_->Session().waveOutputPath);
}

void SpeechUtility::PageInitialised() {
    if (!editor_) CreateEditor();
    ShowWaveFile();
}

void SpeechUtility::ScriptEditorPressed() {
    if (!editor_) CreateEditor();
    if (windows_) windows_->ShowEditorWindow();
    editor_->Host().RegisterTimeChangeCallback(editor_.get());
}

void SpeechUtility::PhonemeMappingPressed() {
    if (editor_ && windows_) windows_->OpenPhonemeMapEditor(*editor_);
}

void SpeechUtility::ChooseOutputFilePressed() {
    if (!editor_) return;
    if (SUCCEEDED(editor_->Session().ChooseWaveOutputFile())) ShowWaveFile();
}

// --- Reference messages ------------------------------------------------------------

bool SpeechUtility::InScene(const SpeechController* controller) const {
    Interface* ip = ip_ ? ip_ : GetCOREInterface();
    return InNodeTree(ip->GetRootNode(), controller);
}

RefResult SpeechUtility::NotifyRefChanged(Interval, RefTargetHandle hTarget, PartID& partID, RefMessage message) {
    switch (message) {
        case REFMSG_CHANGE:
            if (rebuildPending_ && editor_) {
                SpeechController* changed = AsSpeechController(hTarget);
                if (changed && editor_->Actors().FindController(changed))
                    rebuildPending_ = false;
                else
                    editor_->RefillActors();
            }
            break;
        case REFMSG_NODE_NAMECHANGE:
            if (editor_ && hTarget && hTarget->SuperClassID() == BASENODE_CLASS_ID)
                editor_->NodeRenamed(static_cast<INode*>(hTarget));
            break;
        case REFMSG_CONTROLREF_CHANGE:
            if (IsOpen() && lastCreated_) {
                const SpeechController* created = lastCreated_;
                lastCreated_ = nullptr;
                if ((InScene(created) || rebuildPending_) && editor_) editor_->RefillActors();
            }
            break;
        case REFMSG_SPEECH_CREATED:
            lastCreated_ = ControllerOf(partID);
            break;
        case REFMSG_SPEECH_DELETED: {
            const SpeechController* gone = ControllerOf(partID);
            // Never keep the address of a controller that is gone.
            if (lastCreated_ == gone) lastCreated_ = nullptr;
            if (editor_) editor_->ControllerDeleted(gone);
            break;
        }
        case REFMSG_SPEECH_CHANNEL:
            if (editor_) editor_->ControllerChannelChanged(ControllerOf(partID));
            break;
        case REFMSG_SPEECH_CLONED:
            rebuildPending_ = true;
            break;
        default:
            break;
    }
    return REF_SUCCEED;
}

// --- Class descriptor -----------------------------------------------------------------

namespace {

HINSTANCE ThisModule() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ThisModule), &info) && info.dli_fbase) return info.dli_fbase;
    return nullptr;
}

class SpeechUtilityClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 1; }
    // The same static object every time; hosts take it as a UtilityObj.
    void* Create(BOOL) override { return static_cast<UtilityObj*>(&TheSpeechUtility()); }
    const char* ClassName() override { return GetUtilityString(IDS_CLASS_NAME); }
    SClass_ID SuperClassID() override { return UTILITY_CLASS_ID; }
    Class_ID ClassID() override { return SPEECH_UTILITY_CLASS_ID; }
    const char* Category() override { return GetUtilityString(IDS_CATEGORY); }
    const char* InternalName() override { return "Lipsmith"; }
    HINSTANCE HInstance() override { return ThisModule(); }
};

}  // namespace

SpeechUtility& TheSpeechUtility() {
    static SpeechUtility utility;
    return utility;
}

ClassDesc2* GetSpeechUtilityDesc() {
    static SpeechUtilityClassDesc desc;
    return &desc;
}

}  // namespace lipsmith
