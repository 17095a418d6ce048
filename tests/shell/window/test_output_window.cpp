// The output commands installed into the main window: their checks, the
// selection they work on.
#include "WindowFixture.h"

#include "COutputWindowCommands.h"
#include "ControlIds.h"
#include "MenuCommands.h"
#include "PathSeam.h"

using namespace qm;

namespace {

class OutputWindowTest : public wintest::WindowFixture {};

} // namespace

TEST_F(OutputWindowTest, SaveAndReportNeedALoginAndASelectedRecord)
{
    window::CQuillmarkBody& body = Open(false);
    new window::COutputWindowCommands(body);
    MessageScript messages;
    PathScript paths;
    EXPECT_TRUE(body.Commands().HasHandler(int(MenuCmd::SaveAs)));
    EXPECT_TRUE(body.Commands().HasHandler(window::kBtnSave));
    EXPECT_TRUE(body.Commands().HasHandler(int(MenuCmd::PdfReport)));

    body.Route(int(MenuCmd::SaveAs));
    EXPECT_EQ(messages.Numbers(), QList<int>{164});
    LogIn(2);
    messages.Clear();
    body.Route(int(MenuCmd::SaveAs));
    body.Route(int(MenuCmd::PdfReport));
    EXPECT_EQ(messages.Numbers(), (QList<int>{236, 236}));

    // A record that is gone by the time the command runs: 123, no dialog.
    messages.Clear();
    body.SelectRecord(4711, false);
    body.Route(window::kBtnSave);
    body.Route(int(MenuCmd::PdfReport));
    EXPECT_EQ(messages.Numbers(), (QList<int>{123, 123}));
    EXPECT_TRUE(paths.Requests().isEmpty());
    // Deselected: the id no longer counts.
    messages.Clear();
    body.SelectRecord(0, false);
    body.Route(int(MenuCmd::PdfReport));
    EXPECT_EQ(messages.Numbers(), QList<int>{236});
}
