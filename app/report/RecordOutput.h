#pragma once
// A loaded record (the record view's data) as the output builders read it,
// and its curve for the report, drawn by the curve control's one renderer.
#include "RecordData.h"
#include "ReportText.h"
#include "ReportWriter.h"

#include <memory>

namespace qm::browse {
struct CurveSnapshot;
}

namespace qm::report {

// The figures of the statistics and analysis ("%.1f").
QString Figure(double value);

// `data` as the builders read it, for `user`. The rows and cells are read from
// `data` while the result lives. `mergedNames`: the names of merged records.
OutputRecord OutputFromRecord(const std::shared_ptr<const browse::CRecordData>& data, const QString& user,
                              const QStringList& mergedNames = {});

// The curve of the whole record as the report shows it: every channel on its
// own axis, axes on, alarm lines off, no reticle.
browse::CurveSnapshot ReportCurveSnapshot(const std::shared_ptr<const browse::CRecordData>& data);
CurveDrawer ReportCurveDrawer(const std::shared_ptr<const browse::CRecordData>& data);

} // namespace qm::report
