#include "SelectChannelDialog.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "SpeechController.h"

namespace lipsmith {
namespace {

SelectChannelWindowMaker windowMaker = nullptr;

}  // namespace

SelectChannelWindow::~SelectChannelWindow() = default;

void SetSelectChannelWindowMaker(SelectChannelWindowMaker maker) { windowMaker = maker; }

SelectChannelDialog::SelectChannelDialog(SpeechController& controller) : controller_(controller) {}

SelectChannelDialog::~SelectChannelDialog() { DestroyWindow(); }

void SelectChannelDialog::DestroyWindow() {
    // The window may report a last focus change while it goes.
    std::unique_ptr<SelectChannelWindow> window = std::move(window_);
    window.reset();
    AcceleratorsOn();
}

void SelectChannelDialog::Open(const char* trackName, void* parent, Interface* ip) {
    backup_.channel = controller_.channel;
    std::copy(std::begin(controller_.scalar), std::end(controller_.scalar), std::begin(backup_.scalar));
    ip_ = ip ? ip : GetCOREInterface();
    if (window_ && window_->Reopen()) return;
    DestroyWindow();
    if (windowMaker) window_ = windowMaker(*this, parent, trackName ? trackName : "");
}

ChannelId SelectChannelDialog::Channel() const { return controller_.channel; }

int SelectChannelDialog::Scalar() const { return controller_.ScalarOf(controller_.channel); }

int SelectChannelDialog::ArrowPosition() const { return std::clamp(Scalar(), kArrowBottom, kArrowTop); }

int SelectChannelDialog::SelectedIndex() const {
    return IsValidChannel(controller_.channel) ? controller_.channel - kFirstChannel : -1;
}

void SelectChannelDialog::ChannelSelected(int index) {
    if (index < 0 || index >= kNumChannels) return;  // a list being cleared
    controller_.channel = kFirstChannel + index;
    if (window_) window_->ShowChannel();
}

int SelectChannelDialog::ParseScalar(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = std::min(value * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void SelectChannelDialog::ScalarTyped(std::string_view text) {
    // The field keeps what was typed (an emptied field stays empty).
    controller_.ScalarOf(controller_.channel) = ParseScalar(text);
}

bool SelectChannelDialog::ArrowStep(int step) {
    const long long position = ArrowPosition();
    if (step == 0 || position + step < kArrowBottom || position + step > kArrowTop) return false;
    int& scalar = controller_.ScalarOf(controller_.channel);
    scalar = static_cast<int>(std::clamp<long long>(static_cast<long long>(scalar) + step, INT_MIN, INT_MAX));
    if (window_) window_->ShowScalar();
    return true;
}

void SelectChannelDialog::ScalarFocusChanged(bool gained) {
    if (gained) {
        if (!acceleratorsOffAt_ && ip_) {
            acceleratorsOffAt_ = ip_;
            acceleratorsOffAt_->DisableAccelerators();
        }
    } else {
        AcceleratorsOn();
    }
}

void SelectChannelDialog::AcceleratorsOn() {
    if (!acceleratorsOffAt_) return;
    acceleratorsOffAt_->EnableAccelerators();
    acceleratorsOffAt_ = nullptr;
}

void SelectChannelDialog::HideWindow() {
    if (window_) window_->Hide();
    // A hidden field has no focus, whether or not the toolkit said so.
    AcceleratorsOn();
}

void SelectChannelDialog::Accept() {
    controller_.SendChannelChanged();
    if (window_) window_->RepaintTrackViews();
    HideWindow();
}

void SelectChannelDialog::Cancel() {
    controller_.channel = backup_.channel;
    std::copy(std::begin(backup_.scalar), std::end(backup_.scalar), std::begin(controller_.scalar));
    if (window_) window_->ShowChannel();
    HideWindow();
}

}  // namespace lipsmith
