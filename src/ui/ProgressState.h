#pragma once
// The window-free logic of the progress window: range, step, position, the percent text
// with its wrap rule, and the stop request that is cleared when read.

#include <string>
#include <string_view>

namespace vextral {

class ProgressState {
  public:
    void SetRange(int lower, int upper);
    void SetStep(int step);
    // Back to the start of the range (when the window is first shown).
    void ResetPosition();

    // Advances one step, wrapping to the start when the position passes the upper end.
    // Returns the percent text for the new position ("45%"), or empty for an empty range.
    std::string Advance();

    int Lower() const { return lower_; }
    int Upper() const { return upper_; }
    int Step() const { return step_; }
    int Position() const { return position_; }

    void ClearStopRequest() { stopRequested_ = false; }
    void RequestStop() { stopRequested_ = true; }
    // The pending stop request, cleared by reading it.
    bool TakeStopRequest();

  private:
    int lower_ = 0;
    int upper_ = 100;
    int step_ = 1;
    int position_ = 0;
    bool stopRequested_ = false;
};

// Doubles every '&' so that a label shows it literally.
std::string EscapeAmpersands(std::string_view text);

}  // namespace vextral
