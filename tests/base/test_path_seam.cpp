// The path seam: nobody to ask means cancelled; a script answers in order;
// the string table's filters become the filters a file dialog takes.
#include "PathSeam.h"
#include "Strings.h"

#include <gtest/gtest.h>

using namespace qm;

TEST(PathSeam, NobodyToAskCancelsAndAScriptAnswersInOrder)
{
    EXPECT_TRUE(AskPath({PathDialog::SaveFile, QStringLiteral("t"), QStringLiteral("/tmp/a.pdf"), Msg(336)}).Cancelled());
    {
        PathScript script;
        script.Answer({QStringLiteral("/data/r.csv")}, 0);
        script.Cancel();
        script.Answer({QStringLiteral("/a.db3"), QStringLiteral("/b.gdb")}, 1);

        const PathAnswer saved = AskPath({PathDialog::SaveFile, Msg(5001), QStringLiteral("r"), Msg(357)});
        EXPECT_EQ(saved.Path(), QStringLiteral("/data/r.csv"));
        EXPECT_TRUE(AskPath({PathDialog::Folder, Msg(246), QString(), QString()}).Cancelled());
        const PathAnswer opened = AskPath({PathDialog::OpenFiles, Msg(251), QString(), Msg(250)});
        EXPECT_EQ(opened.paths, (QStringList{QStringLiteral("/a.db3"), QStringLiteral("/b.gdb")}));
        EXPECT_EQ(opened.filter, 1);
        EXPECT_TRUE(AskPath({}).Cancelled());   // the queue is empty

        const auto requests = script.Requests();
        ASSERT_EQ(requests.size(), 4);
        EXPECT_EQ(requests[0].dialog, PathDialog::SaveFile);
        EXPECT_EQ(requests[1].caption, Msg(246));
        EXPECT_EQ(requests[2].filter, Msg(250));
    }
    EXPECT_TRUE(AskPath({PathDialog::OpenFile, QString(), QString(), QString()}).Cancelled());
}

TEST(PathSeam, TableFiltersBecomeDialogFilters)
{
    EXPECT_EQ(FileDialogFilters(QStringLiteral("PDF文件(*.pdf)|*.pdf||")), QStringList{QStringLiteral("PDF文件(*.pdf)")});
    EXPECT_EQ(FileDialogFilters(MsgF(250, {QStringLiteral("db3"), QStringLiteral("db3")})),
              (QStringList{QStringLiteral("数据库文件(*.db3)"), QStringLiteral("原始数据(*.gdb)")}));
    EXPECT_EQ(FileDialogFilters(QStringLiteral("(*.pdf)|*.pdf||")), QStringList{QStringLiteral("(*.pdf)")});
    // A text without its patterns gets them; several patterns are joined by blanks.
    EXPECT_EQ(FileDialogFilters(QStringLiteral("Tables|*.csv;*.doc|All|*.*||")),
              (QStringList{QStringLiteral("Tables (*.csv *.doc)"), QStringLiteral("All (*.*)")}));
    EXPECT_EQ(FileDialogFilters(Msg(357)).size(), 4);
    EXPECT_TRUE(FileDialogFilters(QString()).isEmpty());
}
