#include "RecordFolders.h"

#include "EventLock.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "Permissions.h"
#include "ProgramContext.h"
#include "Recordset.h"
#include "SqlQuote.h"
#include "TableRepair.h"

#include <QHash>
#include <QSet>

#include <functional>

namespace qm::browse {
namespace {

constexpr int kLockSeconds = 30;

std::unique_ptr<store::CDBSqlite3> OpenMain()
{
    auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
    if (db)
        db->SetReportMode(store::kReportLog);
    return db;
}

// Runs a change on the main database under the datainfo lock; the connection
// stays open for what the caller reads after it.
int ExecMain(store::CDBSqlite3& db, const QString& sql)
{
    store::CLockHold hold(store::DatainfoLock(), kLockSeconds, true);
    db.SetAutoTransaction(1);
    return db.ExeSql(sql);
}

} // namespace

QString FolderListSql(const QString& search)
{
    QString sql = QStringLiteral("select * from fileInfo");
    const QString text = search.trimmed();
    if (!text.isEmpty())
        sql += QStringLiteral(" where (filename like '%%1%')").arg(store::SqlText(text));
    return sql + QStringLiteral(" order by floor, filename collate pinyin;");
}

int LoadFolders(const QString& search, std::vector<FolderRow>* folders)
{
    folders->clear();
    std::unique_ptr<store::CRecordset> set;
    store::GuardedOperation op;
    op.kind = store::GuardedOp::Query;
    op.sql = FolderListSql(search);
    op.recordset = &set;
    int result = 0;
    if (!store::RunIfTableExists(DatabasePath(), QStringLiteral("fileInfo"), op, false, &result))
        return 0;
    if (result < 0)
        return -1;
    if (!set)
        return 0;
    folders->reserve(size_t(set->RecordCount()));
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
        folders->push_back({int(set->Integer(u"id")), int(set->Integer(u"floor")), int(set->Integer(u"parentid")),
                            set->Text(u"filename")});
    return folders->empty() ? 0 : 1;
}

int FolderCounter()
{
    auto db = OpenMain();
    std::unique_ptr<store::CRecordset> set;
    if (!db || db->QueryRecordset(QStringLiteral("select seq from sqlite_sequence where name = 'fileInfo'"), set) < 0)
        return -1;
    return set && set->RecordCount() > 0 ? int(set->Integer(u"seq")) : 0;
}

int FolderLevel(int id)
{
    if (id == 0)
        return 0;
    auto db = OpenMain();
    std::unique_ptr<store::CRecordset> set;
    if (!db || db->QueryRecordset(QStringLiteral("select * from fileInfo where id = %1;").arg(id), set) != 1 || !set)
        return -1;
    return int(set->Integer(u"floor"));
}

int CreateFolder(const QString& name, int parentId)
{
    const int level = FolderLevel(parentId);
    if (level >= kMaxFolderLevel) {
        ShowMessage(138);
        return 0;
    }
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        ShowMessage(215);
        return 0;
    }
    auto db = level < 0 ? nullptr : OpenMain();
    std::unique_ptr<store::CRecordset> set;
    if (!db
        || ExecMain(*db, QStringLiteral("insert into fileinfo (filename, floor, parentid) values ('%1',%2, %3);")
                             .arg(store::SqlText(trimmed), QString::number(level + 1), QString::number(parentId)))
               < 0
        || db->QueryRecordset(QStringLiteral("select last_insert_rowid() as id;"), set) != 1 || !set) {
        ShowMessage(123);
        return 0;
    }
    ShowMessage(124);
    return int(set->Integer(u"id"));
}

bool RenameFolder(int id, const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        ShowMessage(215);
        return false;
    }
    auto db = OpenMain();
    if (!db || FolderLevel(id) <= 0
        || ExecMain(*db, QStringLiteral("update fileInfo set filename = '%1' where id = %2;")
                             .arg(store::SqlText(trimmed), QString::number(id)))
               < 0) {
        ShowMessage(123);
        return false;
    }
    ShowMessage(124);
    return true;
}

QList<int> SubfolderIdsPostOrder(const std::vector<FolderRow>& folders, int id)
{
    // Rows come in tree order (floor, then name): children keep that order.
    QHash<int, QList<int>> children;
    for (const FolderRow& f : folders)
        if (f.id != f.parentId)
            children[f.parentId].append(f.id);
    QList<int> ids;
    QSet<int> seen{id};
    std::function<void(int)> walk = [&](int parent) {
        for (int child : children.value(parent)) {
            if (seen.contains(child))
                continue; // a loop in damaged rows ends here
            seen.insert(child);
            walk(child);
            ids.append(child);
        }
    };
    walk(id);
    return ids;
}

bool DeleteFolder(int id, bool ask)
{
    if (!Permit(Guarded::DeleteRecords))
        return false;
    if (ask && ShowMessage(201, MsgButtons::OkCancel) != AnswerOk)
        return false;
    // Every folder below it, also those a search keeps out of the tree.
    std::vector<FolderRow> folders;
    auto db = LoadFolders(QString(), &folders) >= 0 ? OpenMain() : nullptr;
    QStringList ids;
    for (int child : SubfolderIdsPostOrder(folders, id))
        ids << QString::number(child);
    ids << QString::number(id);
    if (!db || ExecMain(*db, QStringLiteral("delete from fileInfo where id in (%1);").arg(ids.join(u','))) < 0) {
        ShowMessage(123);
        return false;
    }
    ShowMessage(153);
    return true;
}

} // namespace qm::browse
