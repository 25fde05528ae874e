// A script editor core with a recording speaker and scripted message boxes.
#pragma once
#include <gtest/gtest.h>

#include "RecordingSpeaker.h"
#include "ScriptDlg.h"
#include "ScriptedPrompts.h"

namespace lipsmith {

class ParserFixture : public ::testing::Test {
protected:
    void SetUp() override { dlg.isParsing = true; }

    // Puts the script into the editor and parses the editor's text, as a run does.
    HRESULT Parse(const std::string& script, int wavePass = 0) {
        dlg.SetColoredScript(script, false);
        return Reparse(wavePass);
    }
    HRESULT Reparse(int wavePass = 0) { return dlg.ParseScript(dlg.Script().Text(), wavePass); }

    const std::string& Pane() const { return dlg.Output().Text(); }
    int Errors() const { return dlg.Output().errorCount; }
    int Warnings() const { return dlg.Output().warningCount; }

    ScriptDlg dlg;
    RecordingSpeaker speaker{dlg};
    ScriptedPrompts prompts;
    ScopedPrompts usePrompts{prompts};
};

// One actor's script.
inline std::string OneActor(const std::string& inner, const std::string& node = "Head") {
    return "<_ANIM_>\n<actor node=\"" + node + "\">" + inner + "</actor>\n</_ANIM_>\n";
}

}  // namespace lipsmith
