#include "ui/ConsentState.h"

#include <gtest/gtest.h>

#include "support/FakeDialogs.h"

namespace vextral {
namespace {

using test::FakeDialogs;

ScanOptions AllFixesOn() {
    ScanOptions options;
    options.FixSpelling = true;
    options.FixLength = true;
    options.FixUnneeded = true;
    options.FixName = true;
    return options;
}

class ConsentStateTest : public ::testing::Test {
  protected:
    void SetUp() override { consent.Reset(AllFixesOn()); }

    bool Confirm(FixKind kind, bool ask = true) {
        return consent.Confirm(kind, ask, dialogs, "Caption", "Question?");
    }

    ConsentState consent;
    FakeDialogs dialogs;
};

TEST_F(ConsentStateTest, EachAnswerGivesItsDecision) {
    struct Case {
        AskAnswer answer;
        bool fix;
        bool forAll;
        bool stop;
    };
    const Case cases[] = {
        {AskAnswer::Yes, true, false, false},     {AskAnswer::No, false, false, false},
        {AskAnswer::YesToAll, true, true, false}, {AskAnswer::NoToAll, false, true, false},
        {AskAnswer::Stop, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        consent.Reset(AllFixesOn());
        dialogs.askAnswers = {c.answer};
        EXPECT_EQ(Confirm(FixKind::Length), c.fix);
        EXPECT_EQ(consent.AnsweredForAll(FixKind::Length), c.forAll);
        EXPECT_EQ(consent.StopRequested(), c.stop);
    }
    ASSERT_EQ(dialogs.questions.size(), 5u);
    EXPECT_EQ(dialogs.questions[0].caption, "Caption");
    EXPECT_EQ(dialogs.questions[0].question, "Question?");
}

TEST_F(ConsentStateTest, ForAllAnswersSilenceOnlyTheirOwnKind) {
    dialogs.askAnswers = {AskAnswer::NoToAll, AskAnswer::YesToAll, AskAnswer::Yes};
    EXPECT_FALSE(Confirm(FixKind::Spelling));
    EXPECT_FALSE(Confirm(FixKind::Spelling));  // not asked again
    EXPECT_TRUE(Confirm(FixKind::Length));     // another kind is still asked
    EXPECT_TRUE(Confirm(FixKind::Length));     // ...and then silenced too
    EXPECT_TRUE(Confirm(FixKind::Name));
    EXPECT_EQ(dialogs.questions.size(), 3u);
    EXPECT_TRUE(dialogs.askAnswers.empty());
}

TEST_F(ConsentStateTest, ClosedKeepsTheDecisionInForce) {
    // No earlier answer: the option's own value stands, so the fix is made.
    dialogs.askAnswers = {AskAnswer::Closed};
    EXPECT_TRUE(Confirm(FixKind::Unneeded));
    // After a No, closing the next question keeps the No.
    dialogs.askAnswers = {AskAnswer::No, AskAnswer::Closed};
    EXPECT_FALSE(Confirm(FixKind::Name));
    EXPECT_FALSE(Confirm(FixKind::Name));
    EXPECT_FALSE(consent.AnsweredForAll(FixKind::Name));
    EXPECT_EQ(dialogs.questions.size(), 3u);
}

TEST_F(ConsentStateTest, WithoutAskTheOptionDecidesSilently) {
    ScanOptions options = AllFixesOn();
    options.FixName = false;
    consent.Reset(options);
    EXPECT_TRUE(Confirm(FixKind::Spelling, /*ask=*/false));
    EXPECT_TRUE(Confirm(FixKind::Length, /*ask=*/false));
    EXPECT_FALSE(Confirm(FixKind::Name, /*ask=*/false));
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(ConsentStateTest, ResetStartsANewRun) {
    dialogs.askAnswers = {AskAnswer::NoToAll, AskAnswer::Stop, AskAnswer::Yes};
    EXPECT_FALSE(Confirm(FixKind::Spelling));
    EXPECT_FALSE(Confirm(FixKind::Length));
    ASSERT_TRUE(consent.StopRequested());
    consent.Reset(AllFixesOn());
    EXPECT_FALSE(consent.StopRequested());
    EXPECT_FALSE(consent.AnsweredForAll(FixKind::Spelling));
    EXPECT_TRUE(Confirm(FixKind::Spelling));  // asked again in the new run
    EXPECT_EQ(dialogs.questions.size(), 3u);
}

}  // namespace
}  // namespace vextral
