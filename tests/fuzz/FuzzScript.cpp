// The script parser through the XML document: any text, both passes, with a
// speaker that accepts every actor.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "ScriptDlg.h"

namespace {

class AcceptingSpeaker : public lipsmith::ActorSpeaker {
public:
    HRESULT SpeakActor(const std::string& text, int) override {
        spoken += text.size();
        return S_OK;
    }
    std::size_t spoken = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lipsmith::fuzz::UseQuietPrompts();
    const std::string script(reinterpret_cast<const char*>(data), size);
    lipsmith::ScriptDlg dlg;
    AcceptingSpeaker speaker;
    dlg.SetActorSpeaker(&speaker);
    dlg.isParsing = true;
    dlg.SetColoredScript(script, false);
    // The keys pass may repair the editor text; the wave pass reads it again.
    const HRESULT keys = dlg.ParseScript(dlg.Script().Text(), 0);
    dlg.reportWarnings = false;
    if (keys == S_OK) dlg.ParseScript(dlg.Script().Text(), 1);
    else dlg.ParseScript(dlg.Script().Text(), 0);
    dlg.UpdatePositionField();
    return 0;
}
