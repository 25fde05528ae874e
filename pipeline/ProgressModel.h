// The run's progress window without the window: a bar with a range and a
// position, a caption, the listener text and the Stop button.
#pragma once
#include <functional>
#include <string>

namespace lipsmith {

class ProgressModel {
public:
    // Listener mode shows the prompt text instead of the bar.
    void SetListenerMode(bool listener);
    // Bar range 0..n; the position stays where it is.
    void SetProgressRange(int n);
    // Moves the bar by n (kept within the range) and shows the percentage in the caption.
    void AdvanceProgress(int n);
    // Stop: runs the owner's stop command, then the window closes.
    void PressStop();

    int Lower() const { return lower_; }
    int Upper() const { return upper_; }
    int Position() const { return position_; }
    const std::string& Caption() const { return caption_; }
    bool BarVisible() const { return barVisible_; }
    bool TextVisible() const { return textVisible_; }
    bool Closed() const { return closed_; }

    static constexpr const char* kListenerText = "Speak into the microphone or press 'Stop' to cancel.";

    std::function<void()> onStop;                       // the editor's run command
    std::function<void(const ProgressModel&)> onChange;  // the view redraws

private:
    void Changed();
    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
    std::string caption_ = "Progress";
    bool barVisible_ = true;
    bool textVisible_ = false;
    bool closed_ = false;
};

}  // namespace lipsmith
