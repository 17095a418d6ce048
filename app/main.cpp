// Quillmark: the desktop management station for portable data loggers.
#include "CQuillmarkApp.h"
#include "CQuillmarkBody.h"
#include "CQuillmarkDlg.h"
#include "DownloadRepair.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qm::CQuillmarkApp theApp;
    theApp.SetMainWindowSetup([](qm::CQuillmarkDlg& window) {
        // Tables and config rows of downloads killed before their end go
        // before anything lists the records.
        qm::device::RepairRecordFilesAtStart(QStringLiteral("CQuillmarkApp::InitInstance"));
        // The main window's body (toolbar, trees, record area, device commands).
        qm::window::InstallMainWindow(window);
    });
    return theApp.Run();
}
