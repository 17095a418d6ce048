#include "DownloadEntry.h"

#include "CDlgAllNote.h"
#include "MessageSeam.h"

#include <QWidget>

namespace qm::device {

DownloadEntry& DownloadEntry::Instance()
{
    static DownloadEntry entry;
    return entry;
}

bool DownloadEntry::StartSingleDownload(QWidget*)
{
    ShowMessage(200);
    return false;
}

bool DownloadEntry::RunBatchDownload(QWidget*, CDlgAllNote*)
{
    ShowMessage(200);
    return false;
}

void DownloadEntry::OnDownSuccess(QWidget* mainWindow, const QString& sn)
{
    if (mainWindow)
        mainWindow->setEnabled(true);
    emit recordsChanged(sn);
}

} // namespace qm::device
