#include "ScriptEditor.h"

#include <cmath>

#include "CNumbers.h"
#include "MessageBox.h"
#include "Node.h"
#include "ScriptFile.h"
#include "ScriptRtfReader.h"
#include "VoiceList.h"

namespace lipsmith {

namespace {

TimeValue FrameOf(TimeValue t, int ticksPerFrame) {
    // The time slider's frame, rounded half up.
    return static_cast<TimeValue>(std::floor(static_cast<double>(t) / ticksPerFrame + 0.5));
}

}  // namespace

ScriptEditor::ScriptEditor(Interface& ip) : ip_(ip), session_(std::make_unique<SpeechSession>(dlg_, ip)) {
    dlg_.replaceMode = 1;
    session_->options = RunOptions{};
    voiceNames = [] { return VoiceMenuNames(); };
}

ScriptEditor::~ScriptEditor() {
    ip_.UnRegisterTimeChangeCallback(this);
    onChange = nullptr;
    onWaveFileChanged = nullptr;
    session_.reset();
}

void ScriptEditor::Changed(EditorChange what) {
    if (onChange) onChange(what);
    if (what == EditorChange::WaveFile && onWaveFileChanged) onWaveFileChanged();
}

HRESULT ScriptEditor::Open(const EngineFactory& createEngine) {
    std::unique_ptr<ITTS> engine;
    if (!createEngine || FAILED(createEngine(&engine))) engine.reset();
    const bool haveEngine = engine != nullptr;
    const HRESULT hr = session_->Start(std::move(engine));
    // The actors were listed unless the engine steps failed first.
    if (haveEngine) actors_.Fill(session_->Speakers());
    Changed(EditorChange::Actors);
    Changed(EditorChange::WaveFile);
    return hr;
}

// --- Actors --------------------------------------------------------------------

void ScriptEditor::RefillActors() {
    if (Running()) {
        refillAfterRun_ = true;
        return;
    }
    refillAfterRun_ = false;
    session_->RebuildSpeakers();
    actors_.Fill(session_->Speakers());
    Changed(EditorChange::Actors);
}

void ScriptEditor::ControllerChannelChanged(const SpeechController* controller) {
    if (actors_.RelabelController(controller)) Changed(EditorChange::Actors);
}

void ScriptEditor::NodeRenamed(const INode* node) {
    if (actors_.RelabelNode(node)) Changed(EditorChange::Actors);
}

void ScriptEditor::ControllerDeleted(const SpeechController* controller) {
    session_->ControllerDeleted(controller);
    if (actors_.RemoveController(controller)) Changed(EditorChange::Actors);
}

bool ScriptEditor::ToggleActive(SpeechController* controller) {
    if (!actors_.ToggleActive(controller)) return false;
    Changed(EditorChange::Actors);
    return true;
}

std::vector<std::string> ScriptEditor::ActorNames() const {
    std::vector<std::string> names;
    for (const SpeakerEntry& entry : session_->Speakers().Entries())
        if (entry.node) names.push_back(entry.node->GetName());
    return names;
}

// --- Title and files ---------------------------------------------------------------

void ScriptEditor::SetTitle(const std::string& title) {
    if (title == title_) return;
    title_ = title;
    Changed(EditorChange::Title);
}

bool ScriptEditor::Load() {
    if (!SavePrompt(true)) return false;
    FileDialogRequest request;
    request.filter = kScriptFileFilter;
    request.defaultExtension = kScriptFileExtension;
    request.initialName = kScriptFileInitialName;
    request.hideReadOnly = true;
    const std::optional<std::string> path = Prompts().FileDialog(request);
    if (!path) return false;
    std::string error;
    const std::optional<std::string> text = ReadScriptFile(*path, &error);
    if (!text) {
        ShowMessage(error, kDefaultCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    dlg_.scriptPath = *path;
    ScriptText& script = dlg_.Script();
    script.SetContent(ColorizedText(*text), false);
    if (text->empty()) return true;
    SetTitle(*path);
    script.SetModified(false);
    findSeries_.Reset();
    return true;
}

bool ScriptEditor::SaveTo(const std::string& path) {
    std::string error;
    const std::string& text = dlg_.Script().Text();
    if (!WriteScriptFile(path, text, &error)) {
        ShowMessage(error, kDefaultCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    if (!text.empty()) {
        SetTitle(path);
        dlg_.Script().SetModified(false);
    }
    return true;
}

bool ScriptEditor::Save() {
    if (dlg_.scriptPath.empty()) return SaveAs();
    return SaveTo(dlg_.scriptPath);
}

bool ScriptEditor::SaveAs() {
    FileDialogRequest request;
    request.save = true;
    request.filter = kScriptFileFilter;
    request.defaultExtension = kScriptFileExtension;
    request.initialName = kScriptFileInitialName;
    request.overwritePrompt = true;
    const std::optional<std::string> path = Prompts().FileDialog(request);
    if (!path) return false;
    dlg_.scriptPath = *path;
    return SaveTo(*path);
}

bool ScriptEditor::SavePrompt(bool withCancel) {
    ScriptText& script = dlg_.Script();
    if (!script.IsModified()) return true;
    const std::string text =
        dlg_.scriptPath.empty() ? std::string(kMsgSavePromptUntitled) : CFormat(kMsgSavePrompt, dlg_.scriptPath.c_str());
    const int answer =
        ShowMessage(text, kDefaultCaption, (withCancel ? MB_YESNOCANCEL : MB_YESNO) | MB_ICONEXCLAMATION);
    if (answer == IDCANCEL) return !withCancel;
    if (answer == IDNO) {
        script.SetModified(false);
        return true;
    }
    // A save that did not happen must not lose the script on the way out.
    return Save() || !withCancel;
}

// --- Key creation options -----------------------------------------------------------

void ScriptEditor::SetReplaceMode(bool replace) {
    dlg_.replaceMode = replace ? 1 : 0;
    Changed(EditorChange::Options);
}

void ScriptEditor::SetOption(bool RunOptions::*option, bool on) {
    if (OptionsForced() && (option == &RunOptions::enableUndo || option == &RunOptions::generateScratchTrack)) return;
    session_->options.*option = on;
    Changed(EditorChange::Options);
}

void ScriptEditor::SetInFrame(std::uint64_t frame) {
    if (frame == inFrame_) return;
    inFrame_ = frame;
    Changed(EditorChange::InFrame);
}

void ScriptEditor::SetInFrameLock(bool down) {
    lockInFrame_ = down;
    if (down) {
        const TimeValue frame = FrameOf(ip_.GetTime(), ip_.GetTicksPerFrame());
        SetInFrame(frame < 0 ? 0 : static_cast<std::uint64_t>(frame));
    }
    Changed(EditorChange::Options);
}

void ScriptEditor::TimeChanged(TimeValue t) {
    if (!lockInFrame_) return;
    const TimeValue frame = FrameOf(t, ip_.GetTicksPerFrame());
    SetInFrame(frame < 0 ? 0 : static_cast<std::uint64_t>(frame));
}

// --- Modes -----------------------------------------------------------------------

bool ScriptEditor::SwitchMode(EditorMode mode) {
    if (mode == mode_) return true;
    RunOptions& o = session_->options;
    if (mode == EditorMode::Phrase) {
        ITTS* engine = session_->Engine();
        if (!engine || FAILED(engine->CheckEngine())) {
            ShowMessage(kMsgNoRecognizer, kDefaultCaption, MB_OK | MB_ICONERROR);
            return false;
        }
        savedUndo_ = o.enableUndo;
        savedScratch_ = o.generateScratchTrack;
        o.enableUndo = o.generateScratchTrack = true;
    } else {
        o.enableUndo = savedUndo_;
        o.generateScratchTrack = savedScratch_;
    }
    mode_ = mode;
    Changed(EditorChange::Mode);
    Changed(EditorChange::Options);
    return true;
}

// --- Running -------------------------------------------------------------------

void ScriptEditor::RunCommand(const PhraseListenerInput& selection) {
    const std::string wave = session_->waveOutputPath;
    if (mode_ == EditorMode::Phrase) {
        if (!dlg_.isParsing) session_->options.inFrame = static_cast<int>(inFrame_);
        PhraseListenerRun(*session_, selection);
        // The keys are there now: the host's views show them at once.
        if (!dlg_.isParsing) ip_.RedrawViews(ip_.GetTime());
    } else if (dlg_.isParsing) {
        session_->ParseScriptCommand();  // the stop request
        return;
    } else {
        // The session refuses an In Frame the time line cannot hold, saying so.
        session_->options.inFrame = static_cast<int>(inFrame_);
        session_->ParseScriptCommand();
        // The keys are there now: the host's views show them at once.
        ip_.RedrawViews(ip_.GetTime());
    }
    if (refillAfterRun_ && !Running()) RefillActors();
    if (session_->waveOutputPath != wave) Changed(EditorChange::WaveFile);
}

std::string ScriptEditor::HelpPath() { return std::string(ip_.GetDir(APP_SHARE_DIR)) + kHelpTopic; }

// --- Find and replace ------------------------------------------------------------

std::optional<TextMatch> ScriptEditor::FindNext(const std::string& what, const FindOptions& options) {
    ScriptText& script = dlg_.Script();
    const auto match =
        findSeries_.Next(script.Text(), what, script.SelectionStart(), script.SelectionEnd(), options);
    if (match) script.SetSelection(match->start, match->start + match->length);
    return match;
}

std::optional<TextMatch> ScriptEditor::Replace(const std::string& what, const std::string& with,
                                               const FindOptions& options) {
    ScriptText& script = dlg_.Script();
    if (!script.SelectionEmpty() && SameText(script.SelectedText(), what, options.matchCase)) {
        const TextColor color = script.Colors()[script.SelectionStart()];
        script.ReplaceSelection(ColoredText(with, color), true);
    }
    return FindNext(what, options);
}

int ScriptEditor::ReplaceAll(const std::string& what, const std::string& with, const FindOptions& options) {
    // Every match from the selection on, forward, becomes the replacement in
    // one edit (one undo step), each keeping the colour it had.
    ScriptText& script = dlg_.Script();
    const std::string& text = script.Text();
    FindOptions forward = options;
    forward.down = true;
    std::size_t from = script.SelectionStart();
    if (script.SelectionEmpty() || !SameText(script.SelectedText(), what, options.matchCase)) from = script.SelectionEnd();
    ColoredText replaced;
    std::size_t first = std::string::npos, done = from;
    int count = 0;
    while (auto m = FindText(text, what, done, text.size(), forward)) {
        if (first == std::string::npos) first = m->start;
        replaced.text.append(text, done, m->start - done);
        replaced.colors.insert(replaced.colors.end(), script.Colors().begin() + static_cast<std::ptrdiff_t>(done),
                               script.Colors().begin() + static_cast<std::ptrdiff_t>(m->start));
        const TextColor color = script.Colors()[m->start];
        replaced.text += with;
        replaced.colors.insert(replaced.colors.end(), with.size(), color);
        done = m->start + m->length;
        ++count;
    }
    findSeries_.Reset();
    if (count == 0) return 0;
    // Only the part between the first and the last match is rewritten.
    const std::size_t offset = first - from;
    replaced.text.erase(0, offset);
    replaced.colors.erase(replaced.colors.begin(), replaced.colors.begin() + static_cast<std::ptrdiff_t>(offset));
    script.SetSelection(first, done);
    script.ReplaceSelection(replaced, true);
    return count;
}

}  // namespace lipsmith
