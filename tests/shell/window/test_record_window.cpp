// The record list installed into the main window: the trees select what it
// lists, a selected row drives the side panel, a double click asks for the
// record view, and the folder tree's menu commands build three levels.
#include "WindowFixture.h"

#include "CDevData.h"
#include "CRecordWindowCommands.h"
#include "RecordDialogs.h"
#include "SqlQuote.h"
#include "Strings.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>

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

} // namespace
