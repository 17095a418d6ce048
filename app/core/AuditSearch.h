#pragma once
// The search of the audit trail viewer, apart from its widgets.
#include <QList>
#include <QString>
#include <optional>

namespace qm {

struct NoteRow {
    QString user;
    int type = 0;
    QString handleTime;
    QString info;
};

// The statement for the minutes `start` and `end` ("yyyy-MM-dd HH:mm", swapped
// when start is the later one), both minutes included from second 00 to 59,
// narrowed to `user` when not empty and to `type` when it is 1-28. Newest first.
QString NoteSearchSql(QString start, QString end, const QString& user, int type);

// Runs it on the main database; nullopt when the query fails (message 123).
std::optional<QList<NoteRow>> SearchNotes(const QString& start, const QString& end, const QString& user, int type);

// Every user name for the viewer's user filter, in pinyin order.
QStringList AuditUserNames();

} // namespace qm
