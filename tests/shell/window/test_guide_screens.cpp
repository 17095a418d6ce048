// Pictures for the user guide, in Chinese and in English, of the window as
// main.cpp puts it together: the record list with its folders, the record
// view (table, statistics, curves), the configuration pages, the comparison,
// the PDF report, the backup folder dialog and the connect, batch and download
// dialogs. With $QM_SCREENS set (scripts/guide-pictures runs these under
// xvfb-run) each picture is saved there as guide-<name>-<language>.png and
// the report as guide-report-<language>.pdf; the checks run either way.
#include "DownloadFixture.h"
#include "WindowFixture.h"

#include "AppEnv.h"
#include "CCompareWindowCommands.h"
#include "CConfigAttribute.h"
#include "CConfigWindowCommands.h"
#include "CContrastShow.h"
#include "CDataShow.h"
#include "CDevData.h"
#include "CDowmload.h"
#include "CBackupSet.h"
#include "COutputWindowCommands.h"
#include "CProgressDlg.h"
#include "CQuillmarkApp.h"
#include "CRecordConfig.h"
#include "CRecordListModel.h"
#include "CRecordViewCommands.h"
#include "RecordTableModel.h"
#include "CRecordWindowCommands.h"
#include "CStoreWindowCommands.h"
#include "Clock.h"
#include "DownloadEntry.h"
#include "MenuCommands.h"
#include "PathSeam.h"
#include "Strings.h"

#include <QAbstractButton>
#include <QBrush>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QStyleOptionViewItem>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>

#include <cmath>

using namespace qm;
using namespace qm::window;

namespace {

constexpr int kSamples = 720;

// A cold room logger: temperature around 5 °C and humidity around 55 %RH
// swinging twice a day past both alarm limits (2-8 °C, 35-75 %RH), a sample
// every two minutes for a day from 2024-05-17 08:00. `shift` moves the
// swing so that two rooms differ on a common graph.
loggersim::LoggerProfile ColdRoom(const std::string& sn, const std::string& cardName, double shift)
{
    loggersim::LoggerProfile p = devtest::Logger(sn, 2);
    p.state.cardName = cardName;
    p.state.recordInterval = loggersim::Interval{0, 2, 0};
    p.state.startTime = devtest::At(2024, 5, 17, 8, 0, 0);
    p.state.stopTime = devtest::At(2024, 5, 18, 8, 0, 0);
    p.state.channels[0].alarmSwitch = 1;
    p.state.channels[0].alarmUpper = 8.0f;
    p.state.channels[0].alarmLower = 2.0f;
    p.state.channels[0].upperBound = 60;
    p.state.channels[0].lowerBound = -40;
    p.state.channels[1].alarmSwitch = 1;
    p.state.channels[1].alarmUpper = 75.0f;
    p.state.channels[1].alarmLower = 35.0f;
    p.state.channels[1].upperBound = 100;
    p.state.channels[1].lowerBound = 0;
    std::vector<loggersim::ValuePattern> patterns(2);
    patterns[0] = {5.0 + shift, 3.4, 360, 0.0};
    patterns[1] = {55.0 - 4 * shift, 22.0, 360, 0.0};
    p.history = loggersim::CHistory::Generated(devtest::At(2024, 5, 17, 8, 0, 0), 120, kSamples, patterns);
    return p;
}

class GuideScreensTest : public wintest::WindowFixture, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        wintest::WindowFixture::SetUp();
        // Backups inside the scratch folder.
        ASSERT_EQ(Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"),
                                         Folder() + QStringLiteral("/backup")),
                  1);
        InstallFontSubstitutions();
        if (English()) {
            const QString module = qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/res/QUILLM_EN.lang");
            ASSERT_TRUE(LoadLanguageModule(module)) << module.toStdString();
            SetCurrentLanguageName(QString::fromLatin1(kEnglishModule));
        }
    }
    void TearDown() override
    {
        wintest::WindowFixture::TearDown();
        UseBuiltinStrings();
        SetCurrentLanguageName(QString::fromLatin1(kChineseModule));
    }

    bool English() const { return QString::fromLatin1(GetParam()) == QLatin1String("en"); }
    // The user's own texts (names of loggers, records, folders) in the
    // language of the picture.
    QString Text(const char* chinese, const char* english) const
    {
        return English() ? QString::fromLatin1(english) : QString::fromUtf8(chinese);
    }

    // The window with every subsystem, as main.cpp installs them, 1280 x 800,
    // with a user logged in through the login dialog.
    void OpenWindow()
    {
        Open();
        m_store = new CStoreWindowCommands(*m_body);
        m_config = new CConfigWindowCommands(*m_body, BatchNote(), InfoPage());
        m_records = new CRecordWindowCommands(*m_body);
        m_view = new CRecordViewCommands(*m_body);
        m_records->JoinRecordView(*m_view);
        m_compare = new CCompareWindowCommands(*m_body);
        m_compare->JoinRecordList(m_records->RecordList());
        new COutputWindowCommands(*m_body);
        m_frame->resize(1280, 800);
        LogInThroughDialog(QStringLiteral("amy"), kRoleAdministrator);
        ASSERT_EQ(LoginUserName(), QStringLiteral("amy"));
    }

    // Two cold rooms on COM1 and COM2.
    void StartColdRooms()
    {
        // GBK bytes of 冷库一号 and 冷库二号: the names as the loggers store them.
        Start({ColdRoom("A1B200901", English() ? "Fridge A" : "\xC0\xE4\xBF\xE2\xD2\xBB\xBA\xC5", 0.0),
               ColdRoom("A1B200902", English() ? "Fridge B" : "\xC0\xE4\xBF\xE2\xB6\xFE\xBA\xC5", 1.2)},
              {1, 2});
    }

    // The window over the two cold rooms' downloads (their record ids).
    QList<int> OpenOverDownloads()
    {
        const QList<int> downloaded = DownloadColdRooms();
        EXPECT_EQ(downloaded.size(), 2);
        OpenWindow();
        return downloaded;
    }

    // The two cold rooms, each downloaded once by the command
    // line into a record named in the picture's language. Returns the ids.
    QList<int> DownloadColdRooms()
    {
        StartColdRooms();
        const QStringList names{RecordName(1, QDate(2024, 5, 17)), RecordName(2, QDate(2024, 5, 17))};
        for (int port : {1, 2}) {
            const devtest::CliRun run = devtest::RunCli(
                Folder(), {QStringLiteral("download"), QStringLiteral("--port"), QString::number(port),
                           QStringLiteral("--name"), names[port - 1]});
            EXPECT_EQ(run.code, 0) << qPrintable(run.err);
        }
        QList<int> ids;
        auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
        std::unique_ptr<store::CRecordset> set;
        if (db && db->QueryRecordset(QStringLiteral("select id from recordtime order by id;"), set) == 1 && set)
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
                ids << int(set->Integer(u"id"));
        return ids;
    }

    // "疫苗冷库 5月17日" or "Vaccines 17 May" for room 1, the spare room for 2.
    QString RecordName(int room, const QDate& day) const
    {
        if (English())
            return (room == 1 ? QStringLiteral("Vaccines ") : QStringLiteral("Spare room "))
                   + QLocale(QLocale::English).toString(day, QStringLiteral("d MMM"));
        return (room == 1 ? QStringLiteral("疫苗冷库 ") : QStringLiteral("备用冷库 "))
               + QStringLiteral("%1月%2日").arg(day.month()).arg(day.day());
    }

    browse::CDevData* List() const { return m_records->RecordList(); }
    int RowOf(int record) const { return List()->Model()->RowOfRecord(record); }

    // The picture of `w` as guide-<name>-<language>.png.
    void Picture(QWidget& w, const QString& name)
    {
        SaveScreen(w, QStringLiteral("guide-%1-%2").arg(name, QString::fromLatin1(GetParam())));
    }

    // Where the report goes: beside the pictures when they are kept.
    QString ReportPath() const
    {
        const QString folder = qEnvironmentVariable("QM_SCREENS");
        return (folder.isEmpty() ? Folder() : folder)
               + QStringLiteral("/guide-report-%1.pdf").arg(QString::fromLatin1(GetParam()));
    }

    // Every text a person reads in `root` is shown whole: labels and buttons
    // as wide as their text, table headings as wide as their sections need.
    static void ExpectTextsWhole(QWidget* root)
    {
        for (const QLabel* label : root->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(root) || label->text().isEmpty() || label->wordWrap())
                continue;
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
                << label->text().toStdString();
        }
        for (const QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
            if (!button->isVisibleTo(root) || button->text().isEmpty())
                continue;
            const bool box = qobject_cast<const QCheckBox*>(button) || qobject_cast<const QRadioButton*>(button);
            EXPECT_GE(button->width(), box ? button->sizeHint().width()
                                           : button->fontMetrics().horizontalAdvance(button->text()))
                << button->text().toStdString();
        }
        for (const QTableView* table : root->findChildren<QTableView*>()) {
            if (!table->isVisibleTo(root) || !table->model())
                continue;
            const QAbstractItemModel* model = table->model();
            const QHeaderView* header = table->horizontalHeader();
            QStyleOptionViewItem option;
            option.initFrom(table);
            option.widget = table;
            for (int c = 0; c < model->columnCount(); ++c) {
                if (header->isSectionHidden(c))
                    continue;
                const QString heading = model->headerData(c, Qt::Horizontal).toString();
                EXPECT_GE(header->sectionSize(c), header->fontMetrics().horizontalAdvance(heading))
                    << heading.toStdString();
                // The cells in view as their delegate lays them out (tick box, margins, text).
                for (int r = 0; r < qMin(model->rowCount(), 30); ++r) {
                    const QModelIndex index = model->index(r, c);
                    EXPECT_GE(table->columnWidth(c), table->itemDelegateForIndex(index)->sizeHint(option, index).width())
                        << index.data().toString().toStdString();
                }
            }
        }
    }

    CStoreWindowCommands* m_store = nullptr;
    CConfigWindowCommands* m_config = nullptr;
    CRecordWindowCommands* m_records = nullptr;
    CRecordViewCommands* m_view = nullptr;
    CCompareWindowCommands* m_compare = nullptr;
};

// The list of a folder holding the two downloads and earlier records, with
// the folder tree beside it; then every record of a logger from the device tree.
TEST_P(GuideScreensTest, RecordListAndFolders)
{
    const QList<int> downloaded = DownloadColdRooms();
    ASSERT_EQ(downloaded.size(), 2);
    // Earlier weeks of the same rooms, and folders to file them in.
    QString sql;
    for (int week = 1; week <= 6; ++week) {
        const QDateTime start(QDate(2024, 5, 17).addDays(-7 * week), QTime(8, 0, 0));
        const QString sn = week % 2 ? QStringLiteral("A1B200901") : QStringLiteral("A1B200902");
        sql += QStringLiteral("insert into recordtime(name, SN, time_start, time_end, hisdata_table, devname) "
                              "values('%1', '%2', '%3', '%4', 'h%2_%5', '%6');")
                   .arg(RecordName(week % 2 ? 1 : 2, start.date()), sn,
                        store::FormatSampleTime(start), store::FormatSampleTime(start.addDays(1)),
                        QString::number(start.toSecsSinceEpoch()),
                        week % 2 ? Text("冷库一号", "Fridge A") : Text("冷库二号", "Fridge B"));
    }
    const QStringList tops{Text("疫苗仓库", "Vaccine stores"), Text("冷链运输", "Transport"), Text("药房", "Pharmacy")};
    for (int top = 0; top < tops.size(); ++top)
        sql += QStringLiteral("insert into fileInfo(filename, floor, parentid) values('%1', 1, 0);").arg(tops[top]);
    // 4: 2024-05 below the first folder, 5: 2024-04 below it, 6: a week below 2024-05.
    sql += QStringLiteral("insert into fileInfo(filename, floor, parentid) values('2024-05', 2, 1);"
                          "insert into fileInfo(filename, floor, parentid) values('2024-04', 2, 1);"
                          "insert into fileInfo(filename, floor, parentid) values('%1', 3, 4);")
               .arg(Text("第20周", "Week 20"));
    sql += QStringLiteral("insert into filerecord(file_id, chan_type, record_id) select 4, '1;2', id from recordtime;");
    auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
    ASSERT_TRUE(db);
    db->SetAutoTransaction(1);
    ASSERT_GE(db->ExeSql(sql), 0);
    db.reset();

    OpenWindow();
    m_body->OnTabFolders();
    QTreeWidgetItem* root = m_body->FolderTree()->topLevelItem(0);
    ASSERT_TRUE(root);
    ASSERT_EQ(root->childCount(), 3);
    QTreeWidgetItem* stores = nullptr;
    for (int i = 0; i < root->childCount(); ++i)
        if (root->child(i)->text(0) == tops[0])
            stores = root->child(i);
    ASSERT_TRUE(stores);
    ASSERT_EQ(stores->childCount(), 2);
    QTreeWidgetItem* may = stores->child(0)->text(0) == QStringLiteral("2024-05") ? stores->child(0) : stores->child(1);
    m_body->FolderTree()->expandAll();
    m_body->FolderTree()->setCurrentItem(may);
    EXPECT_EQ(List()->Model()->rowCount(), 8);
    List()->SelectRow(RowOf(downloaded[0]));
    m_body->OnSideTabConfig();
    EXPECT_EQ(m_body->SidePageShown(), kSideRecordConfig);
    Picture(*m_frame, QStringLiteral("records"));
    ExpectTextsWhole(List());

    // A logger of the device tree lists its own records, newest first.
    m_body->OnTabDevices();
    QTreeWidgetItem* fridge = nullptr;
    for (int i = 0; DeviceItem(i); ++i)
        if (DeviceItem(i)->text(0).endsWith(QStringLiteral("A1B200901")))
            fridge = DeviceItem(i);
    ASSERT_TRUE(fridge);
    m_body->DeviceTree()->setCurrentItem(fridge);
    ASSERT_EQ(List()->Model()->rowCount(), 4);
    EXPECT_EQ(List()->Model()->Row(0)->id, downloaded[0]);
}

// The record view of a download: the data table with the statistics below,
// then the curves.
TEST_P(GuideScreensTest, RecordViewTableStatisticsAndCurves)
{
    const QList<int> downloaded = OpenOverDownloads();
    ASSERT_EQ(downloaded.size(), 2);
    auto* area = qobject_cast<QStackedWidget*>(m_body->RecordArea());
    ASSERT_TRUE(area);
    emit List()->List()->doubleClicked(List()->Model()->index(RowOf(downloaded[0]), 2));
    browse::CDataShow* page = m_view->Page();
    ASSERT_EQ(area->currentWidget(), page);
    EXPECT_EQ(page->Data().Count(), kSamples);
    page->SetView(browse::CDataShow::kViewTable);
    EXPECT_EQ(page->TableModel()->rowCount(), kSamples);

    // One statistics row a channel; the swing of 5 ± 3.4 °C crosses both limits.
    QTableWidget* stats = page->Statistics();
    ASSERT_EQ(stats->rowCount(), 2);
    const auto cell = [stats](int row, int column) {
        const QTableWidgetItem* item = stats->item(row, column);
        return item ? item->text() : QString();
    };
    EXPECT_NEAR(cell(0, browse::CDataShow::kStatMax).toDouble(), 8.4, 0.15);
    EXPECT_NEAR(cell(0, browse::CDataShow::kStatMin).toDouble(), 1.6, 0.15);
    EXPECT_NEAR(cell(0, browse::CDataShow::kStatAverage).toDouble(), 5.0, 0.15);
    EXPECT_FALSE(cell(0, browse::CDataShow::kStatMkt).isEmpty());

    // The table where the morning's rise passes the upper limits (8 °C,
    // 75 %RH), newest first: the values above them stand out in red.
    using browse::CRecordTableModel;
    const CRecordTableModel* table = page->TableModel();
    int peak = -1;
    for (int r = 0; r < table->rowCount() && peak < 0; ++r)
        if (table->index(r, CRecordTableModel::kTimeColumn).data().toString() == QStringLiteral("2024-05-17 10:42:00"))
            peak = r;
    ASSERT_GE(peak, 0);
    const QModelIndex hottest = table->index(peak, CRecordTableModel::kFirstValueColumn);
    EXPECT_EQ(hottest.data().toString(), QStringLiteral("8.4"));
    EXPECT_EQ(hottest.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(220, 0, 0));
    EXPECT_FALSE(table->index(peak + 40, CRecordTableModel::kFirstValueColumn).data(Qt::ForegroundRole).isValid());
    page->DataList()->scrollTo(table->index(peak + 11, CRecordTableModel::kTimeColumn),
                               QAbstractItemView::PositionAtTop);
    Picture(*m_frame, QStringLiteral("record-view"));
    ExpectTextsWhole(page);

    page->SetView(browse::CDataShow::kViewCurve);
    if (!page->AlarmBox()->isChecked())
        page->AlarmBox()->click();
    EXPECT_TRUE(page->Graph()->AlarmLines());
    EXPECT_EQ(page->CurrentView(), browse::CDataShow::kViewCurve);
    EXPECT_TRUE(page->Graph()->isVisibleTo(page));
    Picture(*m_frame, QStringLiteral("curve"));
    ExpectTextsWhole(page);
}

// The configuration page of a connected logger, then the configuration a
// downloaded record was made with.
TEST_P(GuideScreensTest, ConfigurationOfALoggerAndOfARecord)
{
    const QList<int> downloaded = OpenOverDownloads();
    ASSERT_EQ(downloaded.size(), 2);
    ASSERT_EQ(m_devices->Procedure().ConnectOnePort(1), 1);
    m_body->ReloadDeviceTree(QStringLiteral("A1B200901"));
    m_body->OnSideTabConfig();
    EXPECT_EQ(m_body->SidePageShown(), kSideDeviceConfig);
    EXPECT_EQ(m_config->ConfigPage()->NameEdit()->text(), Text("冷库一号", "Fridge A"));
    Picture(*m_frame, QStringLiteral("config"));
    ExpectTextsWhole(m_config->ConfigPage());

    // The list shows the records of the logger chosen in the device tree.
    ASSERT_GE(RowOf(downloaded[0]), 0);
    List()->SelectRow(RowOf(downloaded[0]));
    m_body->OnSideTabConfig();
    ASSERT_EQ(m_body->SidePageShown(), kSideRecordConfig);
    device::CRecordConfig* record = m_config->RecordPage();
    EXPECT_EQ(record->RecordId(), downloaded[0]);
    EXPECT_EQ(record->Value(device::CRecordConfig::kName), Text("冷库一号", "Fridge A"));
    EXPECT_TRUE(record->ChannelShown(0));
    EXPECT_TRUE(record->ChannelShown(1));
    Picture(*m_frame, QStringLiteral("record-config"));
    ExpectTextsWhole(record);
}

// The PDF report of the selected record through the File menu's command.
TEST_P(GuideScreensTest, PdfReportOfTheSelectedRecord)
{
    const QList<int> downloaded = OpenOverDownloads();
    ASSERT_EQ(downloaded.size(), 2);
    List()->SelectRow(RowOf(downloaded[0]));
    const QString pdf = ReportPath();
    QFile::remove(pdf);
    // The report's time of making, the same every time.
    ScopedClock clock(QDateTime(QDate(2024, 5, 18), QTime(9, 30, 0)));
    PathScript paths;
    paths.Answer({pdf});
    m_body->Route(int(MenuCmd::PdfReport));
    EXPECT_EQ(m_messages.LastNumber(), 183);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    // 720 rows of data need pages of their own after the summary.
    EXPECT_GE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page "), 3);
}

// Two records of different rooms on one graph.
TEST_P(GuideScreensTest, ComparisonOfTwoRecords)
{
    const QList<int> downloaded = OpenOverDownloads();
    ASSERT_EQ(downloaded.size(), 2);
    List()->OnBnClickedBatch();
    for (int id : downloaded)
        List()->Model()->SetTicked(RowOf(id), true);
    OnNextModal([](QWidget* w) {
        auto* dialog = qobject_cast<browse::CDlgContrastTime*>(w);
        ASSERT_TRUE(dialog);
        dialog->OnBnClickedOk();
    });
    m_body->Route(kBtnCompare);
    browse::CContrastShow* page = m_compare->Page();
    ASSERT_TRUE(page);
    EXPECT_EQ(qobject_cast<QStackedWidget*>(m_body->RecordArea())->currentWidget(), page);
    // Both rooms sampled at the same times: one row a time, a value of each.
    EXPECT_EQ(page->View().data.Count(), kSamples);
    EXPECT_EQ(page->StatisticsTable()->rowCount(), 2);
    page->OnSelectView(1);
    Picture(*m_frame, QStringLiteral("compare"));
    ExpectTextsWhole(page);
    // The controls fit the record area: squeezed below their size, the
    // English rows once left the curves unpainted.
    EXPECT_LE(page->minimumSizeHint().width(), page->width());
}

// The backup folder dialog of the Settings menu.
TEST_P(GuideScreensTest, BackupFolderDialog)
{
    OpenWindow();
    bool shown = false;
    OnNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<store::CBackupSet*>(w);
        ASSERT_TRUE(dialog);
        shown = true;
        EXPECT_EQ(dialog->PathEdit()->text(), Folder() + QStringLiteral("/backup"));
        // The folder as a person would type it, rather than the scratch folder.
        dialog->PathEdit()->setText(QStringLiteral("/home/amy/.local/share/quillmark/data_backup"));
        Picture(*dialog, QStringLiteral("backup"));
        ExpectTextsWhole(dialog);
        dialog->reject();
    });
    m_body->Route(int(MenuCmd::AutoBackup));
    EXPECT_TRUE(shown);
}

// Connect one logger, batch connect, and a download's name and progress.
TEST_P(GuideScreensTest, ConnectBatchAndDownloadDialogs)
{
    StartColdRooms();
    SetCom(0, QStringLiteral("COM1"), 115200, devtest::kLinkDelay);
    AddDevInfo(QStringLiteral("A1B200901"), 1, 115200);
    OpenWindow();
    m_body->DeviceTree()->setCurrentItem(DeviceItem(0));
    OnNextModal([this](QWidget* w) {
        auto* dialog = qobject_cast<device::CConnect*>(w);
        ASSERT_TRUE(dialog);
        Picture(*dialog, QStringLiteral("connect"));
        ExpectTextsWhole(dialog);
        dialog->OnBnClickedOk();
    });
    m_body->Route(kBtnConnect);
    EXPECT_EQ(device::DeviceManager().Count(), 1);

    // Batch connect searches every port.
    SetCom(1, QString(), -1, devtest::kLinkDelay);

    m_body->Route(kBtnConnectAll);
    ASSERT_EQ(device::DeviceManager().Count(), 2);
    device::CDlgAllNote* note = BatchNote();
    EXPECT_EQ(note->SuccessText(), QStringLiteral("2"));
    Picture(*note, QStringLiteral("batch"));
    ExpectTextsWhole(note);
    note->OnBnClickedOk();

    m_body->ReloadDeviceTree(QStringLiteral("A1B200901"));
    OnNextModal([this](QWidget* w) {
        auto* dialog = qobject_cast<device::CDowmload*>(w);
        ASSERT_TRUE(dialog);
        dialog->Edit()->setText(RecordName(1, QDate(2024, 5, 18)));
        Picture(*dialog, QStringLiteral("download-name"));
        ExpectTextsWhole(dialog);
        dialog->OnBnClickedOk();
    });
    m_body->Route(kBtnDownload);
    device::CProgressDlg* progress = m_downloads->Entry().ProgressDialog();
    ASSERT_TRUE(progress);
    ASSERT_TRUE(devtest::WaitUntil([&] { return progress->ReceivedText().toInt() > 0; }));
    EXPECT_EQ(progress->ExpectedText(), QString::number(kSamples));
    Picture(*progress, QStringLiteral("download-progress"));
    ExpectTextsWhole(progress);
    ASSERT_TRUE(devtest::WaitUntil([&] { return m_frame->isEnabled() && m_messages.Numbers().contains(199); }));
}

INSTANTIATE_TEST_SUITE_P(Languages, GuideScreensTest, ::testing::Values("ch", "en"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param) == "ch" ? std::string("Chinese") : std::string("English");
                         });

} // namespace
