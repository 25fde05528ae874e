// The scene loader on any file, with the speech controller class known. A
// scene that loads is used as a run would use it (evaluated, keyed, edited)
// and saved again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ClassDesc.h"
#include "FuzzSupport.h"
#include "Interface.h"
#include "Node.h"
#include "SceneFile.h"
#include "SpeechController.h"

using namespace lipsmith;

namespace {

void UseControllers(INode* node, int depth) {
    if (!node || depth > 10000) return;
    for (int i = 0; i < node->NumSubs(); ++i) {
        SpeechController* c = AsSpeechController(node->SubAnim(i));
        if (!c) continue;
        float v = 0.3f;
        Interval valid = FOREVER;
        c->GetValue(100, &v, valid);
        c->GetValue(-100, &v, valid);
        c->SetValueLocalTime(2000, &v);
        c->AddNote(2000, "x");
        c->DeleteTimeBoth(0, 100);
        c->InsertTimeBoth(50, 10);
        c->ScaleTimeRange(0, 1000, 0.5f);
        (void)c->SubAnimName(1);
    }
    for (int i = 0; i < node->NumberOfChildren(); ++i) UseControllers(node->GetChildNode(i), depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFiles files;
    static const std::string input = files.Add("scene.lsc");
    static const std::string saved = files.Add("saved.lsc");
    static const bool registered = [] {
        ClassDirectory::Get().AddClass(GetSpeechControllerDesc());
        return true;
    }();
    (void)registered;
    fuzz::UseQuietPrompts();
    if (!fuzz::WriteBytes(input, data, size)) return 0;
    Interface& ip = *GetCOREInterface();
    std::string error;
    if (LoadScene(ip, input, &error)) {
        UseControllers(ip.GetRootNode(), 0);
        if (SaveScene(ip, saved, &error)) {
            ip.ResetScene();
            if (!LoadScene(ip, saved, &error)) std::abort();  // what was saved must load
        }
    } else if (error.empty()) {
        std::abort();  // a refusal always says why
    }
    ip.ResetScene();
    return 0;
}
