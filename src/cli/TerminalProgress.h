#pragma once
// Progress on the terminal: a bar with the current text on standard error (only when it is
// a terminal), and Ctrl-C turned into a stop request while an operation runs.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>

#include "ui/Progress.h"
#include "ui/ProgressState.h"

namespace vextral {

class TerminalProgress final : public Progress {
  public:
    // draw false never writes anything (standard error is not a terminal).
    TerminalProgress(std::FILE* out, bool draw);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    bool OpenProgress(const std::string& caption) override;
    void SetProgressText(const std::string& text) override;
    void SetProgressRange(int lower, int upper) override;
    void SetProgressStep(int step) override;
    void AdvanceProgress() override;
    // True once for each Ctrl-C (or SIGINT) received while an operation was open.
    bool IsStopRequested() override;
    void CloseProgress() override;

    // Takes the bar off the line, before other text goes to the terminal.
    void ClearLine();

  private:
    void Draw(bool force);
    void CatchInterrupt();
    void ReleaseInterrupt();

    std::FILE* out_;
    bool draw_;
    int openCount_ = 0;
    bool catching_ = false;
    struct sigaction previous_ {};
    ProgressState state_;
    std::string caption_;
    std::string text_;
    std::chrono::steady_clock::time_point lastDraw_{};
    bool lineShown_ = false;
};

}  // namespace vextral
