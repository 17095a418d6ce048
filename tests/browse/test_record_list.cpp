// The record list's logic on records in the stored formats: the loaders'
// order, the searches, rename and delete in both files, the folders and
// filing, with hostile names and the role rule.
#include "RecordListFixture.h"

#include "CRecordListModel.h"
#include "RecordFolders.h"
#include "RecordList.h"
#include "Strings.h"

using namespace qm::browse;
using rectest::RecordListFixture;

namespace {

const QString kSnA = QStringLiteral("A1B200501");
const QString kSnB = QStringLiteral("A1B200502");
const QString kHostile = QStringLiteral("O'Brien's \"fridge\" %1 '; drop table recordtime; --");

QList<int> Ids(const std::vector<RecordRow>& rows)
{
    QList<int> ids;
    for (const RecordRow& r : rows)
        ids << r.id;
    return ids;
}

class RecordListTest : public RecordListFixture {
protected:
    std::vector<RecordRow> List(const QString& sql, const QString& table = QStringLiteral("recordtime"), int expect = 1)
    {
        std::vector<RecordRow> rows;
        EXPECT_EQ(LoadRecordRows(sql, table, &rows), expect) << sql.toStdString();
        return rows;
    }
};

TEST_F(RecordListTest, ListsComeNewestFirstAndCountDown)
{
    const int older = AddRecord(kSnA, QStringLiteral("b"), QStringLiteral("2024-03-01 08:00:00"),
                                QStringLiteral("2024-03-01 09:00:00"));
    const int newest = AddRecord(kSnB, QStringLiteral("a"), QStringLiteral("2024-03-05 08:00:00"),
                                 QStringLiteral("2024-03-06 10:00:00"), QStringLiteral("freezer"));
    // Same end: the later start first, then the name.
    const int sameEndLateStart = AddRecord(kSnA, QStringLiteral("z"), QStringLiteral("2024-03-02 12:00:00"),
                                           QStringLiteral("2024-03-03 10:00:00"));
    const int sameEnd1 = AddRecord(kSnA, QStringLiteral("y"), QStringLiteral("2024-03-02 10:00:00"),
                                   QStringLiteral("2024-03-03 10:00:00"));
    const int sameEnd2 = AddRecord(kSnA, QStringLiteral("x"), QStringLiteral("2024-03-02 10:00:00"),
                                   QStringLiteral("2024-03-03 10:00:00"));

    const auto all = List(AllRecordsSql(QString()));
    EXPECT_EQ(Ids(all), (QList<int>{newest, sameEndLateStart, sameEnd2, sameEnd1, older}));
    EXPECT_EQ(all[0].sn, kSnB);
    EXPECT_EQ(all[0].devname, QStringLiteral("freezer"));
    EXPECT_EQ(all[0].table, TableOf(newest));
    EXPECT_EQ(all[0].timeStart, QStringLiteral("2024-03-05 08:00:00"));

    CRecordListModel model;
    model.SetRows(all);
    ASSERT_EQ(model.rowCount(), 5);
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(model.index(row, CRecordListModel::kColNumber).data().toString(), QString::number(5 - row));
        EXPECT_EQ(model.index(row, CRecordListModel::kColSn).data(Qt::UserRole).toInt(), all[size_t(row)].id);
    }
    model.RemoveRowAt(0);
    EXPECT_EQ(model.index(0, CRecordListModel::kColNumber).data().toString(), QStringLiteral("4"));

    EXPECT_EQ(Ids(List(DeviceRecordsSql(kSnA))), (QList<int>{sameEndLateStart, sameEnd2, sameEnd1, older}));
    List(DeviceRecordsSql(kHostile), QStringLiteral("recordtime"), 0);

    // A folder list carries the folder entry as well as the record.
    const int folder = AddFolder(QStringLiteral("f"), 1, 0);
    FileRecord(folder, older);
    FileRecord(folder, newest);
    const auto filed = List(FolderRecordsSql(folder), QStringLiteral("filerecord"));
    EXPECT_EQ(Ids(filed), (QList<int>{newest, older}));
    EXPECT_GT(filed[0].entryId, 0);
    EXPECT_EQ(filed[0].name, QStringLiteral("a"));
    EXPECT_EQ(filed[1].table, TableOf(older));
    EXPECT_TRUE(FolderRecordsSql(folder).contains(QStringLiteral(" \t\t\t\t   fr.record_id, fr.chan_type  from")));
}

TEST_F(RecordListTest, SearchCoversWholeDaysInEitherOrder)
{
    const int endsLate = AddRecord(kSnA, QStringLiteral("ends at midnight"), QStringLiteral("2024-02-28 20:00:00"),
                                   QStringLiteral("2024-03-01 23:59:59"));
    const int startsEarly = AddRecord(kSnA, QStringLiteral("starts at 0:00"), QStringLiteral("2024-03-03 00:00:00"),
                                      QStringLiteral("2024-03-04 02:00:00"));
    const int spans = AddRecord(kSnB, QStringLiteral("spans"), QStringLiteral("2024-02-20 00:00:00"),
                                QStringLiteral("2024-03-20 00:00:00"), QStringLiteral("truck"));
    AddRecord(kSnB, QStringLiteral("after"), QStringLiteral("2024-03-04 00:00:00"),
              QStringLiteral("2024-03-05 00:00:00"));
    AddRecord(kSnB, QStringLiteral("before"), QStringLiteral("2024-02-01 00:00:00"),
              QStringLiteral("2024-02-29 23:59:59"));

    const QDate from(2024, 3, 1);
    const QDate to(2024, 3, 3);
    const auto found = List(SearchSql(from, to, QString()));
    EXPECT_EQ(Ids(found), (QList<int>{spans, startsEarly, endsLate}));
    EXPECT_EQ(Ids(List(SearchSql(to, from, QString()))), Ids(found));
    EXPECT_TRUE(SearchRangeCondition(to, from).contains(QStringLiteral("'2024-03-01 00:00:00'")));
    EXPECT_TRUE(SearchRangeCondition(to, from).contains(QStringLiteral("'2024-03-03 23:59:59'")));

    // The keyword matches device name, SN or record name.
    EXPECT_EQ(Ids(List(SearchSql(from, to, QStringLiteral("truck")))), QList<int>{spans});
    EXPECT_EQ(Ids(List(SearchSql(from, to, QStringLiteral("00501")))), (QList<int>{startsEarly, endsLate}));
    EXPECT_EQ(Ids(List(SearchSql(from, to, QStringLiteral("midnight")))), QList<int>{endsLate});
    List(SearchSql(from, to, kHostile), QStringLiteral("recordtime"), 0);
    List(SearchSql(QDate(2023, 1, 1), QDate(2023, 1, 2), QString()), QStringLiteral("recordtime"), 0);

    // Name searches: a device's records, and a folder's through their records' rows.
    EXPECT_EQ(Ids(List(DeviceNameSearchSql(kSnA, QStringLiteral("midnight")))), QList<int>{endsLate});
    const int folder = AddFolder(QStringLiteral("f"), 1, 0);
    FileRecord(folder, spans);
    FileRecord(folder, endsLate);
    EXPECT_EQ(Ids(List(FolderNameSearchSql(folder, QStringLiteral("span")), QStringLiteral("filerecord"))),
              QList<int>{spans});
    List(FolderNameSearchSql(folder, kHostile), QStringLiteral("filerecord"), 0);
}

TEST_F(RecordListTest, RenameTrimsRefusesBlanksAndKeepsHostileNames)
{
    const int id = AddRecord(kSnA, QStringLiteral("old"), QStringLiteral("2024-03-01 08:00:00"),
                             QStringLiteral("2024-03-01 09:00:00"));
    EXPECT_FALSE(RenameRecord(id, QStringLiteral("   ")));
    EXPECT_EQ(m_messages.LastNumber(), 215);
    EXPECT_TRUE(RenameRecord(id, QStringLiteral("  ") + kHostile + QStringLiteral(" ")));
    EXPECT_EQ(m_messages.LastNumber(), 124);
    RecordRow row;
    ASSERT_TRUE(ReadRecord(id, &row));
    EXPECT_EQ(row.name, kHostile);
    const auto notes = Notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].type, 14);
    EXPECT_EQ(notes[0].info, kSnA + u':' + QStringLiteral("old") + qm::Msg(353) + kSnA + u':' + kHostile);

    EXPECT_FALSE(RenameRecord(id + 100, QStringLiteral("x")));
    EXPECT_EQ(m_messages.LastNumber(), 123);
    EXPECT_EQ(Notes().size(), 1u);
}

TEST_F(RecordListTest, DeleteTakesTheRecordOutOfBothFilesAfterTheQuestion)
{
    const int keep = AddRecord(kSnA, QStringLiteral("keep"), QStringLiteral("2024-03-01 08:00:00"),
                               QStringLiteral("2024-03-01 09:00:00"));
    const int gone =
        AddRecord(kSnA, kHostile, QStringLiteral("2024-03-02 08:00:00"), QStringLiteral("2024-03-02 09:00:00"));
    const QString table = TableOf(gone);
    const int folder = AddFolder(QStringLiteral("f"), 1, 0);
    FileRecord(folder, gone);
    FileRecord(folder, keep);

    // Cancel changes nothing.
    m_messages.Answer(qm::AnswerCancel);
    EXPECT_FALSE(DeleteRecord(gone));
    EXPECT_EQ(m_messages.Numbers(), QList<int>{201});
    EXPECT_TRUE(HasTable(LoggerPath(kSnA), table));

    // An ordinary user may not destroy records: nothing is asked.
    qm::SetLogin(9, QStringLiteral("u"), QStringLiteral("p"), qm::kRoleUser, QString());
    m_messages.Clear();
    EXPECT_FALSE(DeleteRecord(gone));
    EXPECT_EQ(m_messages.Numbers(), QList<int>{315});
    EXPECT_EQ(DeleteRecords({gone, keep}), -1);
    EXPECT_FALSE(DeleteFolder(folder));
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{315, 315, 315}));
    EXPECT_TRUE(HasTable(LoggerPath(kSnA), table));

    qm::SetLogin(8, QStringLiteral("olga"), QStringLiteral("p"), qm::kRoleOperator, QString());
    m_messages.Clear();
    EXPECT_TRUE(DeleteRecord(gone));
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{201, 153}));
    EXPECT_FALSE(HasTable(LoggerPath(kSnA), table));
    EXPECT_TRUE(HasTable(LoggerPath(kSnA), TableOf(keep)));
    EXPECT_TRUE(Column(QStringLiteral("select id from recordtime where id = %1;").arg(gone)).isEmpty());
    EXPECT_EQ(Column(QStringLiteral("select record_id from filerecord;")), QStringList{QString::number(keep)});
    EXPECT_EQ(Column(QStringLiteral("select record_id from config;"), LoggerPath(kSnA)),
              QStringList{QString::number(keep)});
    const auto notes = Notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].type, 15);
    EXPECT_EQ(notes[0].user, QStringLiteral("olga"));
    EXPECT_EQ(notes[0].info, kSnA + u':' + kHostile + qm::Msg(280) + qm::Msg(295));
}

TEST_F(RecordListTest, DeleteTickedRemovesEveryRecordItCanAndCountsThem)
{
    const int a = AddRecord(kSnA, QStringLiteral("a"), QStringLiteral("2024-03-01 08:00:00"),
                            QStringLiteral("2024-03-01 09:00:00"));
    const int b = AddRecord(kSnB, QStringLiteral("b"), QStringLiteral("2024-03-02 08:00:00"),
                            QStringLiteral("2024-03-02 09:00:00"));
    const int c = AddRecord(kSnA, QStringLiteral("c"), QStringLiteral("2024-03-03 08:00:00"),
                            QStringLiteral("2024-03-03 09:00:00"));
    // A record whose history table is already gone still goes.
    ASSERT_GE(Exec(QStringLiteral("drop table '%1';").arg(TableOf(b)), LoggerPath(kSnB)), 0);

    EXPECT_EQ(DeleteRecords({}), -1);
    EXPECT_EQ(m_messages.LastNumber(), 154);
    m_messages.Clear();
    EXPECT_EQ(DeleteRecords({a, b}), 2);
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{201, 153}));
    EXPECT_EQ(Column(QStringLiteral("select id from recordtime;")), QStringList{QString::number(c)});
    EXPECT_TRUE(Column(QStringLiteral("select record_id from config;"), LoggerPath(kSnB)).isEmpty());
    const auto notes = Notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].info, qm::MsgF(358, {QStringLiteral("2")}) + qm::Msg(280) + qm::Msg(295));

    // A logger file that cannot be changed keeps its record listed.
    QFile file(LoggerPath(kSnA));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray(4096, 'x'));
    file.close();
    m_messages.Clear();
    EXPECT_EQ(DeleteRecords({c}), 0);
    EXPECT_EQ(m_messages.LastNumber(), 123);
    EXPECT_EQ(Column(QStringLiteral("select id from recordtime;")), QStringList{QString::number(c)});
}

TEST_F(RecordListTest, FoldersNestThreeLevelsAndGoWithTheirSubfolders)
{
    EXPECT_EQ(FolderCounter(), 0);
    const int top = CreateFolder(QStringLiteral("  ") + kHostile, 0);
    ASSERT_GT(top, 0);
    EXPECT_EQ(FolderCounter(), top);
    const int second = CreateFolder(QStringLiteral("second"), top);
    const int third = CreateFolder(QStringLiteral("third"), second);
    const int sibling = CreateFolder(QStringLiteral("a sibling"), second);
    ASSERT_GT(third, 0);
    EXPECT_EQ(FolderLevel(third), 3);
    m_messages.Clear();
    EXPECT_EQ(CreateFolder(QStringLiteral("fourth"), third), 0);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{138});
    EXPECT_EQ(CreateFolder(QStringLiteral("   "), top), 0);
    EXPECT_EQ(CreateFolder(QStringLiteral("x"), 999), 0);
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{138, 215, 123}));

    std::vector<FolderRow> folders;
    ASSERT_EQ(LoadFolders(QString(), &folders), 1);
    ASSERT_EQ(folders.size(), 4u);
    EXPECT_EQ(folders[0].name, kHostile);
    EXPECT_EQ(folders[0].floor, 1);
    EXPECT_EQ(folders[1].parentId, top);
    EXPECT_EQ(folders[3].floor, 3);
    ASSERT_EQ(LoadFolders(QStringLiteral("Brien's \"f"), &folders), 1);
    EXPECT_EQ(folders.size(), 1u);
    EXPECT_TRUE(RenameFolder(second, QStringLiteral(" renamed ")));
    EXPECT_FALSE(RenameFolder(second, QString()));
    EXPECT_EQ(Column(QStringLiteral("select filename from fileInfo where id = %1;").arg(second)),
              QStringList{QStringLiteral("renamed")});

    // Post-order: every folder's subfolders before it, siblings in tree order.
    ASSERT_EQ(LoadFolders(QString(), &folders), 1);
    EXPECT_EQ(SubfolderIdsPostOrder(folders, top), (QList<int>{sibling, third, second}));

    const int other = CreateFolder(QStringLiteral("other"), 0);
    const int record = AddRecord(kSnA, QStringLiteral("r"), QStringLiteral("2024-03-01 08:00:00"),
                                 QStringLiteral("2024-03-01 09:00:00"));
    FileRecord(third, record);
    m_messages.Clear();
    m_messages.Answer(qm::AnswerCancel);
    EXPECT_FALSE(DeleteFolder(top));
    EXPECT_TRUE(DeleteFolder(top));
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{201, 201, 153}));
    EXPECT_EQ(Column(QStringLiteral("select id from fileInfo;")), QStringList{QString::number(other)});
    // The records and their folder entries stay.
    EXPECT_EQ(Column(QStringLiteral("select file_id from filerecord;")), QStringList{QString::number(third)});
    EXPECT_EQ(Column(QStringLiteral("select count(*) from recordtime;")), QStringList{QStringLiteral("1")});
}

TEST_F(RecordListTest, FilingPutsRecordsIntoAFolderOnce)
{
    const int a = AddRecord(kSnA, QStringLiteral("a"), QStringLiteral("2024-03-01 08:00:00"),
                            QStringLiteral("2024-03-01 09:00:00"));
    const int b = AddRecord(kSnB, QStringLiteral("b"), QStringLiteral("2024-03-02 08:00:00"),
                            QStringLiteral("2024-03-02 09:00:00"));
    const int folder = CreateFolder(QStringLiteral("f"), 0);
    m_messages.Clear();
    EXPECT_TRUE(AddRecordsToFolder(folder, {a}));
    EXPECT_TRUE(AddRecordsToFolder(folder, {a, b}));
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{124, 124}));
    const auto rows = [&] {
        std::vector<RecordRow> r;
        LoadRecordRows(FolderRecordsSql(folder), QStringLiteral("filerecord"), &r);
        return r;
    }();
    EXPECT_EQ(Ids(rows), (QList<int>{b, a}));
    EXPECT_EQ(Column(QStringLiteral("select chan_type from filerecord where record_id = %1;").arg(a)),
              QStringList{QStringLiteral("1;2")});
    EXPECT_FALSE(AddRecordsToFolder(folder, {a + 100}));
    EXPECT_EQ(m_messages.LastNumber(), 123);

    m_messages.Clear();
    EXPECT_FALSE(RemoveFolderEntries({}));
    EXPECT_TRUE(RemoveFolderEntries({rows[0].entryId}));
    EXPECT_EQ(m_messages.Numbers(), QList<int>{154});
    EXPECT_EQ(Column(QStringLiteral("select record_id from filerecord;")), QStringList{QString::number(a)});
    EXPECT_EQ(Column(QStringLiteral("select count(*) from recordtime;")), QStringList{QStringLiteral("2")});
}

} // namespace
