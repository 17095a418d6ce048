// The record list page offscreen: what its loaders show, its searches, the
// row menu's rename and delete, batch mode and filing, answered through the
// message seam and the modal answerer.
#include "RecordListFixture.h"

#include "CDevData.h"
#include "ModalAnswer.h"
#include "RecordDialogs.h"
#include "RecordFolders.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>

using namespace qm::browse;
using qmtest::OnNextModal;
using rectest::RecordListFixture;

namespace {

using M = CRecordListModel;
const QString kSn = QStringLiteral("A1B200501");

class RecordPageTest : public RecordListFixture {
protected:
    void SetUp() override
    {
        RecordListFixture::SetUp();
        m_older = AddRecord(kSn, QStringLiteral("older"), QStringLiteral("2024-03-01 08:00:00"),
                            QStringLiteral("2024-03-01 09:00:00"));
        m_newer = AddRecord(kSn, QStringLiteral("newer"), QStringLiteral("2024-03-04 08:00:00"),
                            QStringLiteral("2024-03-06 09:00:00"));
        m_page = std::make_unique<CDevData>();
        m_page->resize(1000, 600);
    }
    void TearDown() override
    {
        m_page.reset();
        RecordListFixture::TearDown();
    }
    QStringList Names() const
    {
        QStringList names;
        for (int r = 0; r < m_page->Model()->rowCount(); ++r)
            names << m_page->Model()->index(r, M::kColName).data().toString();
        return names;
    }
    bool Visible(QWidget* w) const { return w->isVisibleTo(m_page.get()); }

    std::unique_ptr<CDevData> m_page;
    int m_older = 0;
    int m_newer = 0;
};

TEST_F(RecordPageTest, LoadersSetColumnsControlsAndPickers)
{
    m_page->ListAllRecords(QString());
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("newer"), QStringLiteral("older")}));
    EXPECT_EQ(m_page->ToDate()->date(), QDate(2024, 3, 6));
    EXPECT_EQ(m_page->FromDate()->date(), QDate(2024, 3, 1));
    EXPECT_EQ(m_page->FromDate()->displayFormat(), QStringLiteral("yyyy-MM-dd"));
    QTableView* list = m_page->List();
    EXPECT_TRUE(list->isColumnHidden(M::kColTick));
    EXPECT_EQ(list->columnWidth(M::kColNumber), 50);
    EXPECT_EQ(list->columnWidth(M::kColSn), 100);
    EXPECT_TRUE(list->isColumnHidden(M::kColEntry));
    EXPECT_TRUE(list->isColumnHidden(M::kColTable));
    EXPECT_TRUE(Visible(m_page->KeywordEdit()));
    EXPECT_FALSE(Visible(m_page->NameEdit()));

    m_page->NameEdit()->setText(QStringLiteral("left over"));
    m_page->ListDeviceRecords(kSn);
    EXPECT_TRUE(list->isColumnHidden(M::kColDevname));
    EXPECT_TRUE(list->isColumnHidden(M::kColSn));
    EXPECT_TRUE(m_page->NameEdit()->text().isEmpty());
    EXPECT_TRUE(Visible(m_page->NameEdit()));
    EXPECT_FALSE(Visible(m_page->KeywordEdit()));

    const int folder = AddFolder(QStringLiteral("f"), 1, 0);
    FileRecord(folder, m_older);
    m_page->ListFolderRecords(folder);
    EXPECT_EQ(Names(), QStringList{QStringLiteral("older")});
    EXPECT_EQ(list->columnWidth(M::kColSn), 80);
    EXPECT_EQ(list->columnWidth(M::kColDevname), 80);
}

TEST_F(RecordPageTest, SearchesSwapTheRangeAndSayWhenNothingMatches)
{
    m_page->ListAllRecords(QString());
    m_page->FromDate()->setDate(QDate(2024, 3, 5));
    m_page->ToDate()->setDate(QDate(2024, 3, 4));
    m_page->Button(1090)->click();
    EXPECT_EQ(Names(), QStringList{QStringLiteral("newer")});
    EXPECT_EQ(m_page->FromDate()->date(), QDate(2024, 3, 4));
    EXPECT_TRUE(m_messages.Numbers().isEmpty());

    m_page->KeywordEdit()->setText(QStringLiteral("nothing like it"));
    m_page->Button(1090)->click();
    EXPECT_EQ(m_page->Model()->rowCount(), 0);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{155});

    m_page->ListDeviceRecords(kSn);
    m_page->NameEdit()->setText(QStringLiteral("old"));
    m_page->Button(1201)->click();
    EXPECT_EQ(Names(), QStringList{QStringLiteral("older")});
}

TEST_F(RecordPageTest, RowMenuRenamesAndDeletes)
{
    m_page->ListDeviceRecords(kSn);
    QSignalSpy selected(m_page.get(), &CDevData::recordSelected);
    QSignalSpy open(m_page.get(), &CDevData::recordOpenRequested);
    m_page->SelectRow(1);
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.last().at(0).toInt(), m_older);
    emit m_page->List()->doubleClicked(m_page->Model()->index(1, M::kColName));
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open.last().at(0).toInt(), m_older);

    // Blanks are refused in the dialog, which stays open; the typed name is trimmed.
    bool stayed = false;
    OnNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<CUpdRecordName*>(w);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->NameEdit()->text(), QStringLiteral("older"));
        dialog->NameEdit()->setText(QStringLiteral("  "));
        dialog->OnBnClickedOk();
        stayed = dialog->isVisible();
        dialog->NameEdit()->setText(QStringLiteral(" O'Brien's \"fridge\" "));
        dialog->OnBnClickedOk();
    });
    m_page->OnUpdRecordName();
    EXPECT_TRUE(stayed);
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{215, 124}));
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("newer"), QStringLiteral("O'Brien's \"fridge\"")}));
    EXPECT_EQ(m_page->SelectedRecord(), m_older);

    m_messages.Clear();
    m_page->OnDelRecord();
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{201, 153}));
    EXPECT_EQ(Names(), QStringList{QStringLiteral("newer")});
    EXPECT_EQ(m_page->Model()->index(0, M::kColNumber).data().toString(), QStringLiteral("1"));
    EXPECT_EQ(selected.last().at(0).toInt(), 0);
    EXPECT_EQ(Column(QStringLiteral("select count(*) from recordtime;")), QStringList{QStringLiteral("1")});
}

TEST_F(RecordPageTest, BatchModeTicksDeletesAndFiles)
{
    const int third = AddRecord(kSn, QStringLiteral("third"), QStringLiteral("2024-03-02 08:00:00"),
                                QStringLiteral("2024-03-02 09:00:00"));
    m_page->ListAllRecords(QString());
    m_page->Button(1088)->click();
    EXPECT_TRUE(m_page->BatchMode());
    EXPECT_EQ(m_page->List()->columnWidth(M::kColTick), 24);
    EXPECT_FALSE(Visible(m_page->KeywordEdit()));
    EXPECT_TRUE(Visible(m_page->Button(1091)));

    // Filing: no folder yet, then a folder chosen in the chooser (the root is no folder).
    m_page->Model()->setData(m_page->Model()->index(0, M::kColTick), Qt::Checked, Qt::CheckStateRole);
    m_page->Button(1091)->click();
    EXPECT_EQ(m_messages.Numbers(), QList<int>{319});
    const int folder = CreateFolder(QStringLiteral("f"), 0);
    m_messages.Clear();
    OnNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<CAddtoFile*>(w);
        ASSERT_TRUE(dialog);
        dialog->OnBnClickedOk();
        EXPECT_TRUE(dialog->isVisible());
        QTreeWidgetItem* root = dialog->Tree()->topLevelItem(0);
        ASSERT_EQ(root->childCount(), 1);
        dialog->Tree()->setCurrentItem(root->child(0));
        dialog->OnBnClickedOk();
    });
    m_page->Button(1091)->click();
    EXPECT_EQ(m_messages.Numbers(), QList<int>{124});
    EXPECT_EQ(Column(QStringLiteral("select record_id from filerecord where file_id = %1;").arg(folder)),
              QStringList{QString::number(m_newer)});

    m_page->SelectAllBox()->click();
    EXPECT_EQ(m_page->TickedRecords(), (QList<int>{m_newer, third, m_older}));
    m_page->Model()->setData(m_page->Model()->index(1, M::kColTick), Qt::Unchecked, Qt::CheckStateRole);
    m_messages.Clear();
    m_page->Button(1089)->click();
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{201, 153}));
    EXPECT_EQ(Names(), QStringList{QStringLiteral("third")});
    EXPECT_FALSE(m_page->SelectAllBox()->isChecked());
    EXPECT_TRUE(m_page->TickedRecords().isEmpty());
    EXPECT_TRUE(Column(QStringLiteral("select * from filerecord;")).isEmpty());

    m_page->Button(1175)->click();
    EXPECT_FALSE(m_page->BatchMode());
    EXPECT_TRUE(m_page->List()->isColumnHidden(M::kColTick));
    EXPECT_TRUE(Visible(m_page->KeywordEdit()));
}

TEST_F(RecordPageTest, BatchDeleteInAFolderOnlyTakesTheEntries)
{
    const int folder = AddFolder(QStringLiteral("f"), 1, 0);
    FileRecord(folder, m_older);
    FileRecord(folder, m_newer);
    m_page->ListFolderRecords(folder);
    m_page->Button(1088)->click();
    EXPECT_FALSE(Visible(m_page->Button(1091)));
    m_page->Button(1089)->click();
    EXPECT_EQ(m_messages.Numbers(), QList<int>{154});
    m_page->Model()->SetTicked(0, true);
    m_page->Button(1089)->click();
    EXPECT_EQ(Names(), QStringList{QStringLiteral("older")});
    EXPECT_EQ(Column(QStringLiteral("select count(*) from recordtime;")), QStringList{QStringLiteral("2")});
}

} // namespace
