// The main window's compare button and print command with the record list's
// ticked and selected records: refusals, the comparison page over the list
// and back, and a print logged as the window's.
#include "WindowFixture.h"

#include "CCompareWindowCommands.h"
#include "CContrastShow.h"
#include "CDevData.h"
#include "CPrintDlg.h"
#include "CRecordListModel.h"
#include "CRecordWindowCommands.h"
#include "MenuCommands.h"
#include "SqlQuote.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QListWidget>
#include <QPrinter>
#include <QStackedWidget>

using namespace qm;
using namespace qm::window;

namespace {

class CompareWindowTest : public wintest::WindowFixture {
protected:
    // A record of `sn` with one temperature sample per minute from `first`.
    int AddRecord(const QString& sn, int first, int count)
    {
        const QString table = QStringLiteral("h%1").arg(sn);
        auto logger = store::OpenDatabase(nullptr, store::LoggerDatabasePath(qm::ProgramFolder(), sn), 1, 0, 0);
        store::CreateConfigTable(*logger);
        store::CreateHistoryTable(*logger, table);
        QString sql;
        for (int m = first; m < first + count; ++m)
            sql += store::HistoryInsertSql(table, QString::asprintf("2024-03-01 00:%02d:00", m),
                                           QString::number(20 + m), QStringLiteral("1"), 0);
        EXPECT_GE(logger->ExeSql(sql), 0);
        EXPECT_GE(logger->ExeSql(QStringLiteral("insert into config(his_recordinterval, chan_type, record_id) "
                                                "values('0;1;0', '1', (select count(*) + 1 from config));")),
                  0);
        auto main = store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        EXPECT_GE(main->ExeSql(QStringLiteral("insert into recordtime(name, SN, time_start, time_end, hisdata_table, "
                                              "devname) values(%1, %1, '2024-03-01 00:%2:00', "
                                              "'2024-03-01 00:%3:00', %4, 'dev');")
                                   .arg(store::SqlQuoted(sn))
                                   .arg(first, 2, 10, QLatin1Char('0'))
                                   .arg(first + count - 1, 2, 10, QLatin1Char('0'))
                                   .arg(store::SqlQuoted(table))),
                  0);
        std::unique_ptr<store::CRecordset> set;
        main->QueryRecordset(QStringLiteral("select max(id) as id from recordtime;"), set);
        return int(set->Integer(u"id"));
    }
};

} // namespace

TEST_F(CompareWindowTest, CompareButtonShowsTheComparisonOverTheList)
{
    CQuillmarkBody& body = Open(false);
    auto* commands = new CCompareWindowCommands(body);
    LogIn(0);
    std::vector<browse::TickedRecord> ticked;
    commands->SetTickedRecords([&] { return ticked; });
    body.Route(kBtnCompare);
    EXPECT_EQ(m_messages.LastNumber(), 316);

    const int a = AddRecord(QStringLiteral("A00000001"), 0, 3);
    const int b = AddRecord(QStringLiteral("B00000002"), 2, 3);
    ticked = {{a, QStringLiteral("2024-03-01 00:00:00"), QStringLiteral("2024-03-01 00:02:00")},
              {b, QStringLiteral("2024-03-01 00:02:00"), QStringLiteral("2024-03-01 00:04:00")}};
    auto* stack = qobject_cast<QStackedWidget*>(body.RecordArea());
    ASSERT_TRUE(stack);
    QWidget* list = stack->currentWidget();
    OnNextModal([](QWidget* w) { static_cast<browse::CDlgContrastTime*>(w)->OnBnClickedOk(); });
    body.Route(kBtnCompare);
    ASSERT_TRUE(commands->Page());
    EXPECT_EQ(stack->currentWidget(), commands->Page());
    EXPECT_EQ(commands->Page()->View().data.Count(), 5);
    commands->Page()->onBack();
    EXPECT_EQ(stack->currentWidget(), list);
}

TEST_F(CompareWindowTest, PrintCommandPrintsTheSelectedRecordAndLogsIt)
{
    CQuillmarkBody& body = Open(false);
    auto* commands = new CCompareWindowCommands(body);
    LogIn(0);
    int selected = 0;
    commands->SetSelectedRecord([&] { return selected; });
    body.Route(int(MenuCmd::Print));
    EXPECT_EQ(m_messages.LastNumber(), 189);

    selected = AddRecord(QStringLiteral("A00000001"), 0, 30);
    const QString pdf = QDir(qm::ProgramFolder()).filePath(QStringLiteral("print.pdf"));
    browse::SetPrinterChooser([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    OnNextModal([](QWidget* w) {
        auto* dlg = static_cast<browse::CPrintDlg*>(w);
        dlg->Available()->item(0)->setSelected(true);
        dlg->OnBnClickedAdd();
        dlg->DataBox()->setChecked(true);
        dlg->OnBnClickedOk();
    });
    body.Route(kBtnPrint);
    browse::SetPrinterChooser({});
    EXPECT_EQ(m_messages.LastNumber(), 243);
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(NoteTypes().value(NoteTypes().size() - 1), 10);
    EXPECT_EQ(NoteTexts().value(NoteTexts().size() - 1), QStringLiteral("记录打印A00000001"));
}

TEST_F(CompareWindowTest, TheRecordListsTicksAndSelectionReachCompareAndPrint)
{
    CQuillmarkBody& body = Open(false);
    auto* records = new CRecordWindowCommands(body);
    auto* commands = new CCompareWindowCommands(body);
    commands->JoinRecordList(records->RecordList());
    LogIn(0);
    const int a = AddRecord(QStringLiteral("A00000001"), 0, 3);
    const int b = AddRecord(QStringLiteral("B00000002"), 7, 3);
    browse::CDevData* page = records->RecordList();
    page->ListAllRecords(QString());
    browse::CRecordListModel* model = page->Model();
    ASSERT_GE(model->RowOfRecord(a), 0);
    model->SetTicked(model->RowOfRecord(a), true);
    body.Route(kBtnCompare);
    EXPECT_EQ(m_messages.LastNumber(), 316);

    model->SetTicked(model->RowOfRecord(b), true);
    QString start, end;
    OnNextModal([&](QWidget* w) {
        auto* dlg = static_cast<browse::CDlgContrastTime*>(w);
        start = dlg->StartEdit()->dateTime().toString(QStringLiteral("HH:mm"));
        end = dlg->EndEdit()->dateTime().toString(QStringLiteral("HH:mm"));
        dlg->reject();
    });
    body.Route(kBtnCompare);
    EXPECT_EQ(start, QStringLiteral("00:00")); // the span of both ticked records
    EXPECT_EQ(end, QStringLiteral("00:09"));

    page->SelectRow(model->RowOfRecord(b));
    bool printOptions = false;
    OnNextModal([&](QWidget* w) {
        printOptions = qobject_cast<browse::CPrintDlg*>(w) != nullptr;
        static_cast<QDialog*>(w)->reject();
    });
    body.Route(kBtnPrint);
    EXPECT_TRUE(printOptions);
    EXPECT_NE(m_messages.LastNumber(), 189);
}
