#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "CommandLinePrompts.h"
#include "MessageBox.h"
#include "ScriptedPrompts.h"

namespace lipsmith {
namespace {

// Collects what command-line prompts write.
class Captured {
public:
    Captured() : file_(open_memstream(&data_, &size_)) {}
    ~Captured() {
        std::fclose(file_);
        std::free(data_);
    }
    std::FILE* File() { return file_; }
    std::string Text() {
        std::fflush(file_);
        return std::string(data_, size_);
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

TEST(CommandLinePrompts, WritesOneLinePerBoxWithTheCaption) {
    Captured out;
    CommandLinePrompts prompts(out.File());
    prompts.MessageBox("Failed to obtain phoneme table.", "Lipsmith", MB_OK | MB_ICONERROR);
    prompts.MessageBox("Speech engine gone", "Lipsmith_TTS", MB_OK);
    prompts.MessageBox("No caption", "", MB_OK);
    EXPECT_EQ(out.Text(),
              "Lipsmith: Failed to obtain phoneme table.\n"
              "Lipsmith_TTS: Speech engine gone\n"
              "Lipsmith: No caption\n");
}

TEST(CommandLinePrompts, AnswersSoThatNothingIsLost) {
    Captured out;
    CommandLinePrompts prompts(out.File());
    EXPECT_EQ(prompts.MessageBox("a", "Lipsmith", MB_OK | MB_ICONWARNING), IDOK);
    EXPECT_EQ(prompts.MessageBox("b", "Lipsmith", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(prompts.MessageBox("c", "Lipsmith", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(prompts.MessageBox("d", "Lipsmith", MB_YESNOCANCEL | MB_ICONQUESTION), IDCANCEL);
    FileDialogRequest save;
    save.save = true;
    save.filter = "Wave Files (*.wav)|*.wav||";
    EXPECT_EQ(prompts.FileDialog(save), std::nullopt);
    EXPECT_EQ(out.Text(), "Lipsmith: a\nLipsmith: b\nLipsmith: c\nLipsmith: d\n");
}

TEST(ScriptedPrompts, AnswersFromItsQueuesAndRecordsEveryCall) {
    ScriptedPrompts prompts;
    prompts.QueueAnswer(IDYES);
    prompts.QueueFileResult("/tmp/out.wav");
    prompts.QueueFileResult(std::nullopt);
    EXPECT_EQ(prompts.MessageBox("Save changes?", "Lipsmith", MB_YESNOCANCEL), IDYES);
    // Queue empty: command-line answers.
    EXPECT_EQ(prompts.MessageBox("Again?", "Lipsmith", MB_YESNOCANCEL), IDCANCEL);
    FileDialogRequest request;
    request.defaultExtension = "Wave";
    EXPECT_EQ(prompts.FileDialog(request), std::optional<std::string>("/tmp/out.wav"));
    EXPECT_EQ(prompts.FileDialog(request), std::nullopt);
    EXPECT_EQ(prompts.FileDialog(request), std::nullopt);

    auto messages = prompts.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].caption, "Lipsmith");
    EXPECT_EQ(messages[0].type, MB_YESNOCANCEL);
    EXPECT_EQ(messages[1].answer, IDCANCEL);
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Save changes?", "Again?"}));
    ASSERT_EQ(prompts.FileDialogs().size(), 3u);
    EXPECT_EQ(prompts.FileDialogs()[0].request.defaultExtension, "Wave");
    EXPECT_EQ(prompts.PendingAnswers(), 0u);
    prompts.Clear();
    EXPECT_TRUE(prompts.Messages().empty());
}

TEST(Prompts, ScopedPromptsInstallAndRestore) {
    ScriptedPrompts outer, inner;
    {
        ScopedPrompts useOuter(outer);
        {
            ScopedPrompts useInner(inner);
            inner.QueueAnswer(IDYES);
            EXPECT_EQ(ShowMessage("Question?", "Lipsmith", MB_YESNO), IDYES);
        }
        ShowMessage("Plain");
    }
    ASSERT_EQ(inner.Messages().size(), 1u);
    ASSERT_EQ(outer.Messages().size(), 1u);
    EXPECT_EQ(outer.Messages()[0].caption, "Lipsmith");  // the default caption
    EXPECT_EQ(outer.Messages()[0].type, MB_OK);
    EXPECT_NE(dynamic_cast<CommandLinePrompts*>(&Prompts()), nullptr);
    SetPrompts(&outer);
    EXPECT_EQ(&Prompts(), &outer);
    SetPrompts(nullptr);
    EXPECT_NE(dynamic_cast<CommandLinePrompts*>(&Prompts()), nullptr);
}

}  // namespace
}  // namespace lipsmith
