// The script editor's core, free of any toolkit: the script text, the Parser
// Output pane, the position field and the parser with its state. A window
// binds to these models; the command line drives the same object.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <pugixml.hpp>

#include "ActorSpeaker.h"
#include "ParserOutput.h"
#include "Result.h"
#include "ScriptColoring.h"
#include "ScriptText.h"

namespace lipsmith {

class XMLParse;

class ScriptDlg {
public:
    ScriptDlg();
    ~ScriptDlg();
    ScriptDlg(const ScriptDlg&) = delete;
    ScriptDlg& operator=(const ScriptDlg&) = delete;

    ScriptText& Script() { return script_; }
    const ScriptText& Script() const { return script_; }
    ParserOutput& Output() { return output_; }
    const ParserOutput& Output() const { return output_; }

    // --- Parser state -----------------------------------------------------
    bool reportWarnings = true;     // attribute-default warnings are written
    bool verboseOutput = false;     // optional pipeline messages
    bool isParsing = false;         // a run is active; clearing it stops the run
    std::string currentActorNode;   // `node` of the actor being spoken

    // --- Editor state -----------------------------------------------------
    std::string scriptPath;         // empty: "Untitled"
    int replaceMode = 1;            // 1 "Replace", 0 "Insert"

    // Who speaks each actor (not owned). None: speaking fails with E_FAIL.
    void SetActorSpeaker(ActorSpeaker* speaker) { speaker_ = speaker; }
    ActorSpeaker* GetActorSpeaker() const { return speaker_; }

    // --- Parser Output pane ------------------------------------------------
    void AppendParserOutput(const std::string& text, OutputKind kind);
    void ToggleVerboseOutput();

    // --- Parser ------------------------------------------------------------
    // Checks and repairs the script, converts facial cues to bookmarks and
    // speaks every actor. 0 when every actor was spoken (or the run was
    // stopped between actors), 1 for a script error the user repairs, else a
    // failure code.
    HRESULT ParseScript(const std::string& script, int wavePass);
    HRESULT CheckAnimTag(XMLParse& document);
    HRESULT ReportXmlError(XMLParse& document);
    HRESULT CheckActorNesting(const pugi::xml_node& actor);
    HRESULT ConvertEyesTags(XMLParse& document);
    HRESULT ConvertBrowTags(XMLParse& document);
    // While ParseScript speaks: the number of characters of the text content
    // of the whole document (the speech session's progress range); else 0.
    std::size_t ParseDocumentTextLength() const { return parseTextLength_; }

    // --- Script text helpers -------------------------------------------------
    // Coloured like typed markup, replacing the selection as one edit.
    void InsertColoredText(const std::string& text, bool undoable);
    // Coloured and put in as the whole content.
    void SetColoredScript(const std::string& text, bool undoable);
    // At a key press with an empty selection: fixes the colour of the
    // character before the caret and sets the colour of the next typed one.
    TextColor ColorAtCaret();

    // --- Position field ("Row: %d     Col: %d") -----------------------------
    const std::string& PositionField() const { return positionField_; }
    // From the selection start (mouse release, drag with the left button).
    void UpdatePositionField();
    void SetPositionField(long row, long col);

private:
    HRESULT ParseScriptSteps(const std::string& script, int wavePass);
    // Converts every element of one cue kind; see FacialCues.h.
    template <class ReadAndFormat>
    HRESULT ConvertCues(XMLParse& document, const char* name, ReadAndFormat readAndFormat);
    // Row of the element in the text that was loaded, when the library knows it.
    long RowOfNode(const pugi::xml_node& node) const;

    ScriptText script_;
    ParserOutput output_;
    std::string positionField_;
    ActorSpeaker* speaker_ = nullptr;
    std::unique_ptr<XMLParse> parseDocument_;
    std::string loadedText_;  // script text of the parse document, during a parse
    bool loadedBom_ = false;  // the script began with a byte order mark
    std::size_t parseTextLength_ = 0;
    CaretScan caretScan_;  // where ColorAtCaret may resume
};

}  // namespace lipsmith
