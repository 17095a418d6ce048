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

TEST(MessageSeam, NobodyToAskMeansNothingIsDestroyed)
{
    // The default handler (stderr) keeps the first button, except where it destroys data.
    SetMessageHandler(nullptr);
    EXPECT_EQ(ShowMessage(5420, MsgButtons::OkCancel), AnswerCancel);
    EXPECT_EQ(ShowMessage(221, MsgButtons::YesNo, MsgIcon::Question), AnswerNo);
    EXPECT_EQ(ShowMessage(167, MsgButtons::OkCancel), AnswerCancel);
    EXPECT_EQ(ShowMessage(207, MsgButtons::OkCancel), AnswerOk);   // continue the download: nothing lost
    EXPECT_EQ(ShowMessage(210, MsgButtons::OkCancel), AnswerOk);
    EXPECT_EQ(ShowMessage(5420), AnswerOk);                        // a lone OK is the only answer

    EXPECT_EQ(WhatAnswerDestroys(5420), Destroys::History);
    EXPECT_EQ(WhatAnswerDestroys(167), Destroys::File);
    for (int number : {232, 201, 221})
        EXPECT_EQ(WhatAnswerDestroys(number), Destroys::Data) << number;
    EXPECT_EQ(WhatAnswerDestroys(207), Destroys::Nothing);
}
