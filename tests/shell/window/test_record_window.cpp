// The record list installed into the main window: the trees select what it
// lists, a selected row drives the side panel, a double click asks for the
// record view, and the folder tree's menu commands build three levels.
#include "WindowFixture.h"

#include "CDevData.h"
#include "CRecordWindowCommands.h"
#include "RecordDialogs.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Strings.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>

using qm::window::CRecordWindowCommands;

namespace {

class RecordWindowTest : public wintest::WindowFixture {
protected:
    CRecordWindowCommands& Install()
    {
        Open();
        m_records = new CRecordWindowCommands(*m_body);
        return *m_records;
    }
    void AddRecordRow(const QString& name, const QString& sn, const QString& end, int imported = 0)
    {
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        ASSERT_TRUE(db);
        ASSERT_GE(db->ExeSql(QStringLiteral("insert or ignore into devInfo(SN, mac, devtype, devName, port, baud, "
                                            "chan_type) values('%1', '', 3, 'dev', 1, 115200, '1;2');"
                                            "insert into recordtime(name, import, SN, time_start, time_end, "
                                            "hisdata_table, devname) values(%2, %3, '%1', '2024-03-01 08:00:00', "
                                            "'%4', 'h%1_1', 'dev');")
                                 .arg(sn, qm::store::SqlQuoted(name), QString::number(imported), end)),
                  0);
    }
    QStringList Listed() const
    {
        QStringList names;
        const auto* model = m_records->RecordList()->Model();
        for (int r = 0; r < model->rowCount(); ++r)
            names << model->Row(r)->name;
        return names;
    }
    // Answers the folder name dialog with `name`.
    static void NameFolder(const QString& name)
    {
        OnNextModal([name](QWidget* w) {
            auto* dialog = qobject_cast<qm::browse::CCreateFile*>(w);
            ASSERT_TRUE(dialog);
            dialog->NameEdit()->setText(name);
            dialog->OnBnClickedOk();
        });
    }
    QTreeWidgetItem* CurrentFolder() const { return m_body->FolderTree()->currentItem(); }

    CRecordWindowCommands* m_records = nullptr;
};

TEST_F(RecordWindowTest, TheDeviceTreeListsAndTheRowsDriveThePanelAndTheView)
{
    AddRecordRow(QStringLiteral("downloaded"), QStringLiteral("A1B200701"), QStringLiteral("2024-03-02 08:00:00"));
    AddRecordRow(QStringLiteral("imported"), QStringLiteral("A1B200702"), QStringLiteral("2024-03-01 08:00:00"), 1);
    Install();
    LogIn(qm::kRoleOperator);
    EXPECT_EQ(Listed(), (QStringList{QStringLiteral("downloaded"), QStringLiteral("imported")}));

    qm::browse::CDevData* page = m_records->RecordList();
    page->SelectRow(0);
    m_body->OnSideTabConfig();
    EXPECT_EQ(m_body->SidePageShown(), qm::window::kSideRecordConfig);
    page->SelectRow(1);
    m_body->OnSideTabConfig();
    EXPECT_EQ(m_body->SidePageShown(), qm::window::kSideEmpty);

    QSignalSpy open(m_records, &CRecordWindowCommands::openRecord);
    emit page->List()->doubleClicked(page->Model()->index(1, 2));
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open.at(0).at(0).toInt(), page->Model()->Row(1)->id);

    // A device of the tree lists its own records; a new download reloads.
    m_body->DeviceTree()->setCurrentItem(DeviceItem(0));
    EXPECT_EQ(Listed(), QStringList{QStringLiteral("downloaded")});
    AddRecordRow(QStringLiteral("second"), QStringLiteral("A1B200701"), QStringLiteral("2024-03-03 08:00:00"));
    m_body->NotifyRecordsChanged(QStringLiteral("A1B200701"));
    EXPECT_EQ(Listed(), (QStringList{QStringLiteral("second"), QStringLiteral("downloaded")}));
    EXPECT_EQ(m_records->TickedRecords(), QList<int>{});
}

TEST_F(RecordWindowTest, FolderMenuCommandsBuildThreeLevelsAndDeleteThem)
{
    Install();
    LogIn(qm::kRoleAdministrator);
    m_body->OnTabFolders();
    EXPECT_EQ(m_body->EmptyPageText()->text(), qm::Msg(342));

    // Each new folder is selected, so the next one goes below it.
    for (const QString& name : {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("O'Brien's \"three\"")}) {
        NameFolder(name);
        m_body->Route(qm::window::kCmdCreateFolder);
        ASSERT_TRUE(CurrentFolder());
        EXPECT_EQ(CurrentFolder()->text(0), name);
    }
    EXPECT_EQ(CRecordWindowCommands::FolderLevel(CurrentFolder()), 3);
    m_messages.Clear();
    m_body->Route(qm::window::kCmdCreateFolder);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{138});

    // Rename keeps the folder selected.
    OnNextModal([](QWidget* w) {
        auto* dialog = qobject_cast<qm::browse::CCreateFile*>(w);
        ASSERT_TRUE(dialog);
        dialog->NameEdit()->setText(QStringLiteral(" three "));
        dialog->OnBnClickedOk();
    });
    m_body->Route(qm::window::kCmdRenameFolder);
    EXPECT_EQ(CurrentFolder()->text(0), QStringLiteral("three"));

    // The search keeps only matching folders in the tree.
    m_body->SearchEdit()->setText(QStringLiteral("thr"));
    m_body->Route(qm::window::kSearchButton);
    EXPECT_EQ(m_body->FolderTree()->topLevelItem(0)->childCount(), 1);
    m_body->SearchEdit()->clear();
    m_body->Route(qm::window::kSearchButton);

    // Deleting the top folder takes the two below it.
    QTreeWidgetItem* top = m_body->FolderTree()->topLevelItem(0)->child(0);
    m_body->FolderTree()->setCurrentItem(top);
    m_messages.Clear();
    m_body->Route(qm::window::kCmdDeleteFolder);
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{201, 153}));
    EXPECT_EQ(m_body->FolderTree()->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(CurrentFolder(), m_body->FolderTree()->topLevelItem(0));
}

// Pictures for a person to look at, with a few hundred records and folders:
// saved into $QM_SCREENS when it is set (run under xvfb-run for the real look).
TEST_F(RecordWindowTest, ScreensOfTheListAndTheFolders)
{
    auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
    ASSERT_TRUE(db);
    QString sql;
    const QDateTime start(QDate(2024, 1, 2), QTime(8, 0, 0));
    for (int i = 0; i < 300; ++i) {
        const QString sn = QStringLiteral("A1B2008%1").arg(i % 6, 2, 10, QLatin1Char('0'));
        const QDateTime from = start.addSecs(qint64(i) * 7 * 3600);
        sql += QStringLiteral("insert or ignore into devInfo(SN, mac, devtype, devName, port, baud, chan_type) "
                              "values('%1', '', 3, '%2', 1, 115200, '1;2');"
                              "insert into recordtime(name, SN, time_start, time_end, hisdata_table, devname) "
                              "values('%3', '%1', '%4', '%5', 'h%1_%6', '%2');")
                   .arg(sn, QStringLiteral("冷库%1").arg(i % 6),
                        i % 7 ? qm::store::FormatRecordName(from) : QStringLiteral("疫苗运输 %1").arg(i),
                        qm::store::FormatSampleTime(from), qm::store::FormatSampleTime(from.addSecs(6 * 3600)),
                        QString::number(from.toSecsSinceEpoch()));
    }
    const char* names[] = {"仓库", "冷链运输", "药房"};
    int id = 0;
    for (int top = 0; top < 3; ++top) {
        sql += QStringLiteral("insert into fileInfo(filename, floor, parentid) values('%1', 1, 0);")
                   .arg(QString::fromUtf8(names[top]));
        const int topId = ++id;
        for (int month = 1; month <= 3; ++month) {
            sql += QStringLiteral("insert into fileInfo(filename, floor, parentid) values('2024-%1', 2, %2);")
                       .arg(month, 2, 10, QLatin1Char('0'))
                       .arg(topId);
            const int monthId = ++id;
            if (top == 0)
                for (int week = 1; week <= 2; ++week) {
                    sql += QStringLiteral("insert into fileInfo(filename, floor, parentid) values('第%1周', 3, %2);")
                               .arg(week)
                               .arg(monthId);
                    ++id;
                }
        }
    }
    for (int r = 1; r <= 40; ++r)
        sql += QStringLiteral("insert into filerecord(file_id, chan_type, record_id) values(2, '1;2', %1);").arg(r);
    db->SetAutoTransaction(1);
    ASSERT_GE(db->ExeSql(sql), 0);
    db.reset();

    Install();
    LogIn(qm::kRoleAdministrator);
    m_frame->resize(1400, 860);
    qm::browse::CDevData* page = m_records->RecordList();
    EXPECT_EQ(page->Model()->rowCount(), 300);
    page->SelectRow(2);
    const auto save = [this](const QString& name) { SaveScreen(*m_frame, QStringLiteral("records-") + name); };
    save(QStringLiteral("all"));
    page->Button(1088)->click();
    page->Model()->SetTicked(1, true);
    page->Model()->SetTicked(3, true);
    save(QStringLiteral("batch"));
    page->Button(1175)->click();

    m_body->OnTabFolders();
    QTreeWidgetItem* root = m_body->FolderTree()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 3);
    m_body->FolderTree()->setCurrentItem(root->child(0)->child(0));
    EXPECT_EQ(page->Model()->rowCount(), 40);
    save(QStringLiteral("folder"));
}

} // namespace
