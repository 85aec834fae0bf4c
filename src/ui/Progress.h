#pragma once
// The progress window of a long operation, driven step by step by the operation itself.

#include <string>

namespace vextral {

class Progress {
  public:
    virtual ~Progress() = default;

    // Opens the window with this title (disabling the owner); false when it cannot be shown.
    virtual bool OpenProgress(const std::string& caption) = 0;
    virtual void SetProgressText(const std::string& text) = 0;
    virtual void SetProgressRange(int lower, int upper) = 0;
    virtual void SetProgressStep(int step) = 0;
    // Dispatches pending events, advances one step (wrapping), shows the percentage.
    virtual void AdvanceProgress() = 0;
    // Dispatches pending events; true once after the user confirmed Stop.
    virtual bool IsStopRequested() = 0;
    virtual void CloseProgress() = 0;
    // Repaints the progress window and its owner at once.
    virtual void Repaint() {}
};

// For work that shows no progress and is never stopped.
class NullProgress final : public Progress {
  public:
    bool OpenProgress(const std::string&) override { return true; }
    void SetProgressText(const std::string&) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressStep(int) override {}
    void AdvanceProgress() override {}
    bool IsStopRequested() override { return false; }
    void CloseProgress() override {}
};

}  // namespace vextral
