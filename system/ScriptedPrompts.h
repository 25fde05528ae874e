// Prompts for tests: records every message box and file dialog and answers
// from queues filled by the test. With an empty queue it answers as the
// command line does (see CommandLinePrompts.h), so a test never blocks.
//
//   ScriptedPrompts prompts;
//   ScopedPrompts use(prompts);
//   prompts.QueueAnswer(IDYES);
//   ... code under test ...
//   EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Save changes?"});
#pragma once
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "CommandLinePrompts.h"
#include "MessageBox.h"

namespace lipsmith {

struct RecordedMessage {
    std::string text;
    std::string caption;
    unsigned type = 0;
    int answer = 0;
};

struct RecordedFileDialog {
    FileDialogRequest request;
    std::optional<std::string> answer;
};

class ScriptedPrompts : public UserPrompts {
public:
    void QueueAnswer(int answer) {
        std::lock_guard guard(mutex_);
        answers_.push_back(answer);
    }
    // A path, or std::nullopt for a cancelled dialog.
    void QueueFileResult(std::optional<std::string> path) {
        std::lock_guard guard(mutex_);
        files_.push_back(std::move(path));
    }

    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override {
        std::lock_guard guard(mutex_);
        int answer = DefaultAnswer(type);
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        messages_.push_back({text, caption, type, answer});
        return answer;
    }

    std::optional<std::string> FileDialog(const FileDialogRequest& request) override {
        std::lock_guard guard(mutex_);
        std::optional<std::string> answer;
        if (!files_.empty()) {
            answer = files_.front();
            files_.pop_front();
        }
        dialogs_.push_back({request, answer});
        return answer;
    }

    std::vector<RecordedMessage> Messages() const {
        std::lock_guard guard(mutex_);
        return messages_;
    }
    std::vector<std::string> Texts() const {
        std::lock_guard guard(mutex_);
        std::vector<std::string> texts;
        for (const RecordedMessage& m : messages_) texts.push_back(m.text);
        return texts;
    }
    std::vector<RecordedFileDialog> FileDialogs() const {
        std::lock_guard guard(mutex_);
        return dialogs_;
    }
    std::size_t PendingAnswers() const {
        std::lock_guard guard(mutex_);
        return answers_.size() + files_.size();
    }
    // Forgets the records and the queued answers.
    void Clear() {
        std::lock_guard guard(mutex_);
        messages_.clear();
        dialogs_.clear();
        answers_.clear();
        files_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::deque<int> answers_;
    std::deque<std::optional<std::string>> files_;
    std::vector<RecordedMessage> messages_;
    std::vector<RecordedFileDialog> dialogs_;
};

// Installs prompts for the lifetime of the object, then puts back the ones before.
class ScopedPrompts {
public:
    explicit ScopedPrompts(UserPrompts& prompts) : previous_(&Prompts()) { SetPrompts(&prompts); }
    ~ScopedPrompts() { SetPrompts(previous_); }
    ScopedPrompts(const ScopedPrompts&) = delete;
    ScopedPrompts& operator=(const ScopedPrompts&) = delete;

private:
    UserPrompts* previous_;
};

}  // namespace lipsmith
