#include "ui/ProgressState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vextral {
namespace {

std::vector<std::string> Advances(ProgressState& state, int count) {
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i)
        texts.push_back(state.Advance());
    return texts;
}

TEST(ProgressStateTest, PercentReachesHundredThenWrapsWithTheBar) {
    ProgressState state;
    state.SetRange(0, 3);
    state.SetStep(1);
    state.ResetPosition();
    EXPECT_EQ(Advances(state, 4), (std::vector<std::string>{"33%", "66%", "100%", "33%"}));
    EXPECT_EQ(state.Position(), 1);  // the bar started over
}

TEST(ProgressStateTest, PercentIsRelativeToTheLowerEnd) {
    ProgressState state;
    state.SetRange(10, 20);
    state.SetStep(5);
    state.ResetPosition();
    EXPECT_EQ(Advances(state, 3), (std::vector<std::string>{"50%", "100%", "50%"}));
}

TEST(ProgressStateTest, NewRangeKeepsThePositionInsideIt) {
    // A range set after the window opened must not leave the bar below its start.
    ProgressState state;
    state.ResetPosition();
    state.SetRange(10, 20);
    EXPECT_EQ(state.Advance(), "10%");
    state.SetRange(0, 5);
    EXPECT_LE(state.Position(), 5);
    EXPECT_EQ(state.Advance(), "20%");
}

TEST(ProgressStateTest, EmptyRangeShowsNoPercentage) {
    ProgressState state;
    state.SetRange(0, 0);
    state.ResetPosition();
    EXPECT_EQ(state.Advance(), "");
    state.SetRange(5, 2);
    EXPECT_EQ(state.Advance(), "");
}

TEST(ProgressStateTest, StopRequestIsReportedOnceAndWithdrawnByNo) {
    ProgressState state;
    EXPECT_FALSE(state.TakeStopRequest());
    state.RequestStop();  // Stop confirmed with Yes
    EXPECT_TRUE(state.TakeStopRequest());
    EXPECT_FALSE(state.TakeStopRequest());

    // Yes, not yet read, then Stop again answered No: the button clears before asking.
    state.RequestStop();
    state.ClearStopRequest();
    EXPECT_FALSE(state.TakeStopRequest());
}

TEST(ProgressStateTest, EscapeAmpersandsDoublesEachOne) {
    EXPECT_EQ(EscapeAmpersands("Tom & Jerry"), "Tom && Jerry");
    EXPECT_EQ(EscapeAmpersands("&&x&"), "&&&&x&&");
    EXPECT_EQ(EscapeAmpersands("plain"), "plain");
}

}  // namespace
}  // namespace vextral
