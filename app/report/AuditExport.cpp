#include "AuditExport.h"

#include "OperationLog.h"
#include "ReportText.h"
#include "ReportWriter.h"

namespace qm::report {

QString AuditExportText(const QString& user, const QList<NoteRow>& rows)
{
    std::vector<AuditLine> lines;
    lines.reserve(rows.size());
    for (const NoteRow& row : rows)
        lines.push_back({row.user, OperationTypeText(row.type), row.handleTime, row.info});
    return BuildAuditExportText(user, lines);
}

bool ExportAuditTrail(const QString& path, const QString& user, const QList<NoteRow>& rows)
{
    return WriteTablePdf(path, AuditExportText(user, rows));
}

} // namespace qm::report
