#include "AuditSearch.h"

#include "AppEnv.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "Recordset.h"
#include "SqlQuote.h"

#include <QStringList>

namespace qm {

QString NoteSearchSql(QString start, QString end, const QString& user, int type)
{
    if (start.compare(end, Qt::CaseInsensitive) > 0)
        std::swap(start, end);
    // Each condition is a whole clause joined by " and ", so that the user
    // filter and the time bounds never run into each other.
    QStringList conditions;
    if (!user.isEmpty())
        conditions << QStringLiteral("user_name = %1").arg(store::SqlQuoted(user));
    conditions << QStringLiteral("handle_time >= %1 and handle_time <= %2")
                      .arg(store::SqlQuoted(start + QStringLiteral(":00")), store::SqlQuoted(end + QStringLiteral(":59")));
    if (type >= kFirstOperationType && type <= kLastOperationType)
        conditions << QStringLiteral("type = %1").arg(type);
    return QStringLiteral("select * from note where %1 order by handle_time desc").arg(conditions.join(QStringLiteral(" and ")));
}

std::optional<QList<NoteRow>> SearchNotes(const QString& start, const QString& end, const QString& user, int type)
{
    auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 1);
    if (!db)
        return std::nullopt;
    db->SetReportMode(store::kReportSilent);
    std::unique_ptr<store::CRecordset> set;
    if (db->QueryRecordset(NoteSearchSql(start, end, user, type), set) < 0)
        return std::nullopt;
    QList<NoteRow> rows;
    if (!set)
        return rows;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
        rows.append({set->Text(u"user_name"), int(set->Integer(u"type")), set->Text(u"handle_time"), set->Text(u"info")});
    return rows;
}

QStringList AuditUserNames()
{
    QStringList names;
    auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 1);
    if (!db)
        return names;
    std::unique_ptr<store::CRecordset> set;
    if (db->QueryRecordset(QStringLiteral("select user_name from userinfo order by user_name collate pinyin"), set) < 0
        || !set)
        return names;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
        names << set->Text(0);
    return names;
}

} // namespace qm
