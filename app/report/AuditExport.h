#pragma once
// The audit trail's export: the rows the viewer lists (or the cli found),
// as a table PDF under the user's name.
#include "AuditSearch.h"

#include <QList>
#include <QString>

namespace qm::report {

// The export text of `rows` (in the order given) for `user`.
QString AuditExportText(const QString& user, const QList<NoteRow>& rows);

// Writes it to `path` through the table PDF writer; on failure message 123
// with the writer's text.
bool ExportAuditTrail(const QString& path, const QString& user, const QList<NoteRow>& rows);

} // namespace qm::report
