// The class descriptor of the speech controller.
#include <dlfcn.h>

#include "Resource.h"
#include "SpeechController.h"

namespace lipsmith {
namespace {

// The module this copy of the class lives in (each plug-in that contains the
// class has its own).
HINSTANCE ThisModule() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ThisModule), &info) && info.dli_fbase) return info.dli_fbase;
    return nullptr;
}

class SpeechControllerClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return TRUE; }
    void* Create(BOOL loading) override { return static_cast<ReferenceTarget*>(new SpeechController(loading)); }
    const char* ClassName() override { return GetControllerString(IDS_CLASS_NAME); }
    SClass_ID SuperClassID() override { return CTRL_FLOAT_CLASS_ID; }
    Class_ID ClassID() override { return SPEECH_CONTROLLER_CLASS_ID; }
    const char* Category() override { return GetControllerString(IDS_CATEGORY); }
    const char* InternalName() override { return "Lipsmith Controller"; }
    HINSTANCE HInstance() override { return ThisModule(); }
};

}  // namespace

ClassDesc2* GetSpeechControllerDesc() {
    static SpeechControllerClassDesc desc;
    return &desc;
}

}  // namespace lipsmith
