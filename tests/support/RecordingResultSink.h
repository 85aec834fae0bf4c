#pragma once

#include <string>
#include <vector>

#include "ui/ResultSink.h"

namespace vextral::test {

struct ResultLine {
    std::string text;
    bool child = false;
    int image = 0;
    bool operator==(const ResultLine&) const = default;
};

class RecordingResultSink : public ResultSink {
  public:
    std::vector<ResultLine> lines;
    int clears = 0;
    void AddResultLine(const std::string& text, bool child, int image) override {
        lines.push_back({text, child, image});
    }
    void ClearResults() override {
        lines.clear();
        ++clears;
    }
};

}  // namespace vextral::test
