#include "cli/TerminalProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "cli/TerminalText.h"

namespace vextral {

namespace {

// Signal handlers can only reach static storage; one flag serves the one terminal.
volatile std::sig_atomic_t interruptReceived = 0;

extern "C" void OnInterrupt(int) {
    interruptReceived = 1;
}

int TerminalWidth(std::FILE* out) {
    winsize size{};
    if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        return size.ws_col;
    return 80;
}

constexpr auto kRedrawInterval = std::chrono::milliseconds(80);
constexpr int kBarWidth = 24;

}  // namespace

TerminalProgress::TerminalProgress(std::FILE* out, bool draw) : out_(out), draw_(draw) {}

TerminalProgress::~TerminalProgress() {
    ClearLine();
    ReleaseInterrupt();
}

void TerminalProgress::CatchInterrupt() {
    if (catching_)
        return;
    interruptReceived = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // A second Ctrl-C ends the program at once, for an operation that does not stop.
    action.sa_flags = SA_RESETHAND;
    catching_ = ::sigaction(SIGINT, &action, &previous_) == 0;
}

void TerminalProgress::ReleaseInterrupt() {
    if (!catching_)
        return;
    (void)::sigaction(SIGINT, &previous_, nullptr);
    catching_ = false;
}

bool TerminalProgress::OpenProgress(const std::string& caption) {
    if (openCount_++ == 0)
        CatchInterrupt();
    caption_ = caption;
    text_.clear();
    state_.ResetPosition();
    Draw(true);
    return true;
}

void TerminalProgress::SetProgressText(const std::string& text) {
    text_ = text;
    Draw(false);
}

void TerminalProgress::SetProgressRange(int lower, int upper) {
    state_.SetRange(lower, upper);
    Draw(false);
}

void TerminalProgress::SetProgressStep(int step) {
    state_.SetStep(step);
}

void TerminalProgress::AdvanceProgress() {
    (void)state_.Advance();
    Draw(false);
}

bool TerminalProgress::IsStopRequested() {
    if (interruptReceived == 0)
        return false;
    interruptReceived = 0;
    return true;
}

void TerminalProgress::CloseProgress() {
    if (openCount_ > 0 && --openCount_ == 0) {
        ClearLine();
        ReleaseInterrupt();
    }
}

void TerminalProgress::ClearLine() {
    if (draw_ && lineShown_) {
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
        lineShown_ = false;
    }
}

void TerminalProgress::Draw(bool force) {
    if (!draw_ || openCount_ == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval)
        return;
    lastDraw_ = now;

    const long span = static_cast<long>(state_.Upper()) - state_.Lower();
    const long done = static_cast<long>(state_.Position()) - state_.Lower();
    const int percent = span > 0 ? static_cast<int>(std::clamp(done * 100 / span, 0L, 100L)) : 0;
    const int filled = percent * kBarWidth / 100;

    std::string line = caption_ + " [" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " +
                       std::to_string(percent) + "% " + TerminalText(text_, LineBreaks::Escape);
    const auto width = static_cast<std::size_t>(TerminalWidth(out_) - 1);
    if (line.size() > width)
        line.resize(width);
    std::fputs("\r\033[K", out_);
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
    lineShown_ = true;
}

}  // namespace vextral
