#pragma once

#include <string>

namespace vextral {

// Receives the scan's result lines: the window's results tree, the terminal, or a test.
class ResultSink {
  public:
    virtual ~ResultSink() = default;
    // A top-level line (child false) or a line under the last top-level line.
    virtual void AddResultLine(const std::string& text, bool child, int image) = 0;
    virtual void ClearResults() = 0;
    // The results changed: the owner refreshes its controls.
    virtual void Refresh() {}
};

}  // namespace vextral
