#include "ui/ProgressState.h"

namespace vextral {

void ProgressState::SetRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
    // Like a progress bar, a new range pulls the position inside it.
    if (upper_ > lower_) {
        if (position_ < lower_)
            position_ = lower_;
        if (position_ > upper_)
            position_ = upper_;
    }
}

void ProgressState::SetStep(int step) {
    step_ = step;
}

void ProgressState::ResetPosition() {
    position_ = lower_;
}

std::string ProgressState::Advance() {
    const long long next = static_cast<long long>(position_) + step_;
    const long long span = static_cast<long long>(upper_) - lower_;
    std::string text;
    if (span > 0) {
        long long percent = (next - lower_) * 100 / span;
        if (percent != 100)
            percent %= 100;
        text = std::to_string(percent) + "%";
        // The bar starts over once it passes its upper end.
        position_ = next > upper_ ? static_cast<int>((next - lower_) % span + lower_)
                                  : static_cast<int>(next);
    }
    return text;
}

bool ProgressState::TakeStopRequest() {
    const bool requested = stopRequested_;
    stopRequested_ = false;
    return requested;
}

std::string EscapeAmpersands(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        result += c;
        if (c == '&')
            result += '&';
    }
    return result;
}

}  // namespace vextral
