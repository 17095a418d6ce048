#include "MessageSeam.h"
#include "Strings.h"

#include <gtest/gtest.h>

using namespace qm;

TEST(MessageSeam, ScriptRecordsNumbersAndAnswersInOrder)
{
    MessageScript script;
    script.Answer(AnswerCancel);
    EXPECT_EQ(ShowMessage(106, MsgButtons::OkCancel), AnswerCancel);
    // Queue empty: the first button answers.
    EXPECT_EQ(ShowMessage(105, MsgButtons::YesNo), AnswerYes);
    EXPECT_EQ(ShowMessageText(109, QStringLiteral("filled")), AnswerOk);

    ASSERT_EQ(script.Numbers(), (QList<int>{106, 105, 109}));
    const auto requests = script.Requests();
    EXPECT_EQ(requests[0].caption, QString::fromUtf8("提示"));
    EXPECT_EQ(requests[0].icon, MsgIcon::Warning);
    EXPECT_EQ(requests[2].text, QStringLiteral("filled"));
}

TEST(MessageSeam, ScriptsNestAndRestore)
{
    MessageScript outer;
    {
        MessageScript inner;
        ShowMessage(105);
        EXPECT_EQ(inner.LastNumber(), 105);
    }
    ShowMessage(104);
    EXPECT_EQ(outer.Numbers(), (QList<int>{104}));
}
