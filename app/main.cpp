// Quillmark: the desktop management station for portable data loggers.
//
// The program is assembled here: the application object runs the main window,
// and each subsystem is installed into the window's routing table and page
// slots. A subsystem joins the program by one line below.
#include "CCompareWindowCommands.h"
#include "CConfigWindowCommands.h"
#include "CDeviceWindowCommands.h"
#include "CDownloadWindowCommands.h"
#include "COutputWindowCommands.h"
#include "CQuillmarkApp.h"
#include "CQuillmarkBody.h"
#include "CQuillmarkDlg.h"
#include "CRecordWindowCommands.h"
#include "CRecordViewCommands.h"
#include "CStoreWindowCommands.h"
#include "DownloadRepair.h"
#include "QuillmarkVersion.h"
#include "StyleSheet.h"
#include "WindowIcons.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Answered before there is a window system to ask for.
    if (QmPrintVersion(argc, argv, "Quillmark"))
        return 0;
    QApplication app(argc, argv);
    // The window icon, and the desktop entry the window belongs to (the
    // desktop shows the entry's name and icon for it).
    QApplication::setWindowIcon(qm::window::ProgramIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quillmark"));
    qm::CQuillmarkApp theApp;
    theApp.SetMainWindowSetup([](qm::CQuillmarkDlg& window) {
        // Tables and config rows of downloads killed before their end go
        // before anything lists the records.
        qm::device::RepairRecordFilesAtStart(QStringLiteral("CQuillmarkApp::InitInstance"));
        // Title bar, navigation pane, record area and routing table.
        auto* body = new qm::window::CQuillmarkBody(window);
        body->setStyleSheet(qm::ui::MainWindowStyleSheet());
        // Phone import, backups and the backup import; its backup on close
        // runs after the other subsystems have ended their work.
        new qm::window::CStoreWindowCommands(*body);
        // Connect, run and stop, batch connect, serial settings, the information page.
        auto* devices = new qm::window::CDeviceWindowCommands(*body);
        // Single and batch download.
        new qm::window::CDownloadWindowCommands(*body, devices->BatchNote());
        // The configuration pages and batch configuration.
        new qm::window::CConfigWindowCommands(*body, devices->BatchNote(), devices->InfoPage());
        // The record list and the folder tree's commands.
        auto* records = new qm::window::CRecordWindowCommands(*body);
        // The record view: records opened from the list, merge mode (1005).
        auto* recordView = new qm::window::CRecordViewCommands(*body);
        records->JoinRecordView(*recordView);
        // Comparison (1006) and printing (32804, 1001) of the list's records.
        (new qm::window::CCompareWindowCommands(*body))->JoinRecordList(records->RecordList());
        // Save as (csv, doc, table pdf, gdb) and the PDF report of the selected record.
        new qm::window::COutputWindowCommands(*body);
    });
    return theApp.Run();
}
