#pragma once

#include <string>
#include <vector>

#include "ui/Progress.h"

namespace vextral::test {

// Records what an operation shows and answers IsStopRequested true on the Nth call
// (counting from 1; 0 never).
class FakeProgress : public Progress {
  public:
    int stopOnCall = 0;

    std::vector<std::string> captions;
    std::vector<std::string> texts;
    int lower = 0, upper = 100, step = 1;
    int advances = 0;
    int stopQueries = 0;
    bool open = false;

    bool OpenProgress(const std::string& caption) override {
        captions.push_back(caption);
        open = true;
        return true;
    }
    void SetProgressText(const std::string& text) override { texts.push_back(text); }
    void SetProgressRange(int lo, int up) override {
        lower = lo;
        upper = up;
    }
    void SetProgressStep(int s) override { step = s; }
    void AdvanceProgress() override { ++advances; }
    bool IsStopRequested() override { return ++stopQueries == stopOnCall; }
    void CloseProgress() override { open = false; }
};

}  // namespace vextral::test
