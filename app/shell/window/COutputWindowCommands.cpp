#include "COutputWindowCommands.h"

#include "CQuillmarkBody.h"
#include "ControlIds.h"
#include "MenuCommands.h"
#include "OutputCommands.h"

#include <QApplication>

namespace qm::window {

namespace {

// A wait cursor while a long record is written; the dialog and the messages
// of the command keep the normal one.
void WaitCursor(bool on)
{
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace

COutputWindowCommands::COutputWindowCommands(CQuillmarkBody& body) : QObject(&body), m_body(body)
{
    CCommandTable& commands = body.Commands();
    commands.Install(int(MenuCmd::SaveAs), [this] { OnBnClickedBsave(); });
    commands.Install(kBtnSave, [this] { OnBnClickedBsave(); });
    commands.Install(int(MenuCmd::PdfReport), [this] { OnMenuPdf(); });
}

void COutputWindowCommands::OnBnClickedBsave()
{
    report::SaveSelectedRecord(m_body.SelectedRecordId(), WaitCursor);
}

void COutputWindowCommands::OnMenuPdf()
{
    report::ReportSelectedRecord(m_body.SelectedRecordId(), WaitCursor);
}

} // namespace qm::window
