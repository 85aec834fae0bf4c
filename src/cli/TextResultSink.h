#pragma once
// Collects the scan's result lines; the command line prints the log instead, which holds
// the same lines, so this only counts them for the caller.

#include <cstddef>
#include <string>

#include "ui/ResultSink.h"

namespace vextral {

class TextResultSink final : public ResultSink {
  public:
    void AddResultLine(const std::string& text, bool child, int) override {
        if (!child)
            ++topLevelLines;
        lines += text;
        lines += '\n';
    }
    void ClearResults() override {
        lines.clear();
        topLevelLines = 0;
    }

    std::string lines;
    std::size_t topLevelLines = 0;
};

}  // namespace vextral
