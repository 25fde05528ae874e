#include "ProgressModel.h"

#include <algorithm>

#include "CNumbers.h"

namespace lipsmith {

void ProgressModel::SetListenerMode(bool listener) {
    if (listener) caption_ = "Listener";
    textVisible_ = listener;
    barVisible_ = !listener;
    Changed();
}

void ProgressModel::SetProgressRange(int n) {
    // The whole count: a 16-bit range would wrap for scripts of more than
    // 65,535 characters and show a wrong percentage.
    lower_ = 0;
    upper_ = std::max(0, n);
    position_ = std::clamp(position_, lower_, upper_);
    Changed();
}

void ProgressModel::AdvanceProgress(int n) {
    position_ = std::clamp(position_ + n, lower_, upper_);
    const int span = upper_ - lower_;
    if (span > 0) {
        const int percent = static_cast<int>(static_cast<double>(position_) / span * 100.0);
        caption_ = CFormat("Parsing, %d%% completed", percent);
    }
    Changed();
}

void ProgressModel::PressStop() {
    if (onStop) onStop();
    closed_ = true;
    Changed();
}

void ProgressModel::Changed() {
    if (onChange) onChange(*this);
}

}  // namespace lipsmith
