// The record view in the main window: records downloaded from simulated
// loggers opened in the record area, and the merge button.
#include "CDataShow.h"
#include "CDevData.h"
#include "CPrintDlg.h"
#include "CRecordListModel.h"
#include "CRecordViewCommands.h"
#include "CRecordWindowCommands.h"
#include "DownloadFixture.h"
#include "WindowFixture.h"

#include "MessageSeam.h"
#include "PathSeam.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QCheckBox>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>

namespace {

class RecordViewWindowTest : public wintest::WindowFixture {};

} // namespace

TEST_F(RecordViewWindowTest, DownloadedRecordsOpenInTheRecordAreaAndMerge)
{
    Start({devtest::HistoryLogger("A1B200601", 30), devtest::HistoryLogger("A1B200602", 20)}, {1, 2});
    for (const char* port : {"1", "2"}) {
        const devtest::CliRun run =
            devtest::RunCli(Folder(), {QStringLiteral("download"), QStringLiteral("--port"), QString::fromLatin1(port),
                                       QStringLiteral("--name"), QStringLiteral("r")});
        ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    }
    qm::window::CQuillmarkBody& body = Open();
    LogIn(qm::kRoleOperator);
    auto* records = new qm::window::CRecordViewCommands(body);
    auto* stack = qobject_cast<QStackedWidget*>(body.RecordArea());
    ASSERT_TRUE(stack);
    QWidget* list = stack->currentWidget();
    EXPECT_TRUE(body.Commands().HasHandler(qm::window::kBtnMerge));

    qm::MessageScript script;
    body.Route(qm::window::kBtnMerge); // nothing ticked
    EXPECT_EQ(script.LastNumber(), 303);

    records->OpenRecord(1);
    EXPECT_EQ(stack->currentWidget(), records->Page());
    EXPECT_EQ(records->Page()->Data().Count(), 30);
    EXPECT_EQ(records->Page()->Data().channels.at(0).unit, QStringLiteral("°C"));
    records->Page()->OnBack();
    EXPECT_EQ(stack->currentWidget(), list);

    records->SetTickedRecords([] { return std::vector<int>{1, 2}; });
    body.Route(qm::window::kBtnMerge);
    EXPECT_EQ(stack->currentWidget(), records->Page());
    EXPECT_TRUE(records->Page()->MergeMode());
    // Both loggers recorded from the same minute: slot 1 gives every shared time.
    EXPECT_EQ(records->Page()->Data().Count(), 30);
    EXPECT_EQ(script.LastNumber(), 303); // nothing new
}

// The list and the view installed together as main.cpp installs them: a
// double click opens the record, the merge button merges the ticked ones.
TEST_F(RecordViewWindowTest, TheListOpensAndMergesThroughTheRecordView)
{
    Start({devtest::HistoryLogger("A1B200611", 12), devtest::HistoryLogger("A1B200612", 8)}, {1, 2});
    for (const char* port : {"1", "2"}) {
        const devtest::CliRun run =
            devtest::RunCli(Folder(), {QStringLiteral("download"), QStringLiteral("--port"), QString::fromLatin1(port),
                                       QStringLiteral("--name"), QStringLiteral("r")});
        ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    }
    qm::window::CQuillmarkBody& body = Open();
    auto* records = new qm::window::CRecordWindowCommands(body);
    auto* view = new qm::window::CRecordViewCommands(body);
    records->JoinRecordView(*view);
    LogIn(qm::kRoleOperator);
    auto* stack = qobject_cast<QStackedWidget*>(body.RecordArea());
    ASSERT_TRUE(stack);
    qm::browse::CDevData* list = records->RecordList();
    ASSERT_EQ(list->Model()->rowCount(), 2);

    const int row = list->Model()->Row(0)->id == 1 ? 0 : 1;
    emit list->List()->doubleClicked(list->Model()->index(row, 2));
    EXPECT_EQ(stack->currentWidget(), view->Page());
    EXPECT_EQ(view->Page()->Data().Count(), 12);
    view->Page()->OnBack();

    qm::MessageScript script;
    list->OnBnClickedBatch();
    list->Model()->SetAllTicked(true);
    body.Route(qm::window::kBtnMerge);
    EXPECT_EQ(stack->currentWidget(), view->Page());
    EXPECT_TRUE(view->Page()->MergeMode());
    EXPECT_NE(script.LastNumber(), 303);

    // The view's export writes the merged rows under both records' names.
    qm::PathScript paths;
    const QString out = QDir(Folder()).filePath(QStringLiteral("merged.csv"));
    paths.Answer({out}, 0);
    view->Page()->ExportButton()->click();
    ASSERT_EQ(paths.Requests().size(), 1);
    EXPECT_EQ(paths.Requests().at(0).filter, qm::Msg(166));
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_GT(file.readAll().count('\n'), 12);

    // The curve picture button asks where to save the picture (cancelled here).
    paths.Cancel();
    emit view->Page()->screenshotRequested();
    ASSERT_EQ(paths.Requests().size(), 2);
    EXPECT_EQ(paths.Requests().at(1).filter, qm::Msg(338));

    // The view's print button prints what the view shows (here to a PDF).
    const QString pdf = QDir(Folder()).filePath(QStringLiteral("view-print.pdf"));
    qm::browse::SetPrinterChooser([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    OnNextModal([](QWidget* w) {
        auto* dlg = static_cast<qm::browse::CPrintDlg*>(w);
        dlg->Available()->item(0)->setSelected(true);
        dlg->OnBnClickedAdd();
        dlg->DataBox()->setChecked(true);
        dlg->OnBnClickedOk();
    });
    view->Page()->PrintButton()->click();
    qm::browse::SetPrinterChooser({});
    EXPECT_EQ(script.LastNumber(), 243);
    EXPECT_TRUE(QFile::exists(pdf));
}
