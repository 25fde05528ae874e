// The "Select Channel" dialog of a speech controller: which channel the
// controller follows and that channel's scalar. This class holds the dialog's
// state and behaviour; the window that shows it is made by the host's window
// toolkit through a maker installed at load time (none on the command line).
#pragma once
#include <memory>
#include <string_view>

#include "Channels.h"

class Interface;

namespace lipsmith {

class SpeechController;
class SelectChannelDialog;

// The dialog's window as the dialog sees it.
class SelectChannelWindow {
public:
    virtual ~SelectChannelWindow();  // destroys the window
    // Shows the hidden or buried window again: flash, raise, focus. False
    // when the window is gone (its owner closed it), so a new one is made.
    virtual bool Reopen() = 0;
    virtual void Hide() = 0;
    // Channel list selection, channel picture and scalar field from the dialog.
    virtual void ShowChannel() = 0;
    // Scalar field from the dialog.
    virtual void ShowScalar() = 0;
    // Repaints the open track views and dialog boxes of the host.
    virtual void RepaintTrackViews() = 0;
};

// Makes and shows the window of a dialog, owned by the host's parent window,
// captioned with the track name. Answers null where no window can be made
// (no parent window, no running application).
using SelectChannelWindowMaker = std::unique_ptr<SelectChannelWindow> (*)(SelectChannelDialog& dialog,
                                                                           void* parent, const char* caption);

// The maker this module uses; null (the default) means the dialog never opens a window.
void SetSelectChannelWindowMaker(SelectChannelWindowMaker maker);

class SelectChannelDialog {
public:
    static constexpr int kArrowBottom = -1000;
    static constexpr int kArrowTop = 1000;

    struct Backup {
        ChannelId channel = kFirstChannel;
        int scalar[kNumChannels] = {};
    };

    explicit SelectChannelDialog(SpeechController& controller);
    ~SelectChannelDialog();
    SelectChannelDialog(const SelectChannelDialog&) = delete;
    SelectChannelDialog& operator=(const SelectChannelDialog&) = delete;

    // Takes a fresh backup, then shows the existing window again, or makes
    // the window (owned by parent, captioned with the track name).
    void Open(const char* trackName, void* parent, Interface* ip);
    bool HasWindow() const { return window_ != nullptr; }
    void DestroyWindow();

    // Events of the window.
    void ChannelSelected(int index);      // list index 0..13
    void ScalarTyped(std::string_view text);
    // An arrow click of `step`; false when the arrows are at that end of their range.
    bool ArrowStep(int step);
    void ScalarFocusChanged(bool gained);  // host keyboard shortcuts off while focused
    void Accept();
    void Cancel();
    void Close() { Cancel(); }

    // What the window shows.
    ChannelId Channel() const;
    int Scalar() const;
    // Where the arrows stand: the scalar, held inside the arrows' range.
    int ArrowPosition() const;
    // List index of the current channel, -1 when it is none of the fourteen.
    int SelectedIndex() const;
    const Backup& GetBackup() const { return backup_; }

    // The signed value typed into the scalar field: empty (or a lone minus)
    // reads 0, values beyond 32 bits are held at the 32-bit limits.
    static int ParseScalar(std::string_view text);

private:
    void HideWindow();
    void AcceleratorsOn();

    SpeechController& controller_;
    Backup backup_;
    std::unique_ptr<SelectChannelWindow> window_;
    Interface* ip_ = nullptr;
    Interface* acceleratorsOffAt_ = nullptr;  // the host whose shortcuts this dialog switched off
};

}  // namespace lipsmith
