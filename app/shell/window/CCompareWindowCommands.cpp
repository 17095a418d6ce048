#include "CCompareWindowCommands.h"

#include "CContrastShow.h"
#include "CDevData.h"
#include "CRecordListModel.h"
#include "CPrintDlg.h"
#include "CQuillmarkBody.h"
#include "LoginState.h"
#include "MenuCommands.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "Strings.h"

#include <QPointer>
#include <QStackedWidget>

namespace qm::window {

CCompareWindowCommands::CCompareWindowCommands(CQuillmarkBody& body) : QObject(&body), m_body(body)
{
    body.Commands().Install(kBtnCompare, [this] { OnBnClickedCompare(); });
    body.Commands().Install(int(MenuCmd::Print), [this] { OnBnClickedBprint(); });
    body.Commands().Install(kBtnPrint, [this] { OnBnClickedBprint(); });
}

void CCompareWindowCommands::JoinRecordList(browse::CDevData* list)
{
    const QPointer<browse::CDevData> page(list);
    m_ticked = [page] {
        std::vector<browse::TickedRecord> ticked;
        if (!page)
            return ticked;
        for (int row : page->Model()->TickedRows())
            if (const browse::RecordRow* r = page->Model()->Row(row))
                ticked.push_back({r->id, r->timeStart, r->timeEnd});
        return ticked;
    };
    m_selected = [page] { return page ? page->SelectedRecord() : 0; };
}

void CCompareWindowCommands::OnBnClickedCompare()
{
    const std::vector<browse::TickedRecord> ticked = m_ticked ? m_ticked() : std::vector<browse::TickedRecord>{};
    if (ticked.size() < 2) {
        ShowMessage(316);
        return;
    }
    auto* stack = qobject_cast<QStackedWidget*>(m_body.RecordArea());
    if (!m_page) {
        m_page = new browse::CContrastShow;
        m_page->currentUser = [] { return LoginUserName(); };
        m_page->onBack = [this, stack] {
            if (stack && m_before)
                stack->setCurrentWidget(m_before);
            m_body.SetListMode(true);
        };
        m_page->hide();
    }
    QWidget* before = stack ? stack->currentWidget() : nullptr;
    if (!m_page->OpenFromTicked(ticked))
        return;
    if (before != m_page)
        m_before = before;
    m_body.SetRecordPage(m_page);
    m_body.SetListMode(false);
}

void CCompareWindowCommands::OnBnClickedBprint()
{
    const int id = m_selected ? m_selected() : 0;
    if (id <= 0) {
        ShowMessage(189);
        return;
    }
    auto data = std::make_shared<browse::CRecordData>();
    const browse::LoadResult loaded = browse::LoadRecord(id, {}, data.get());
    if (loaded != browse::LoadResult::Loaded) {
        browse::ShowLoadMessage(loaded == browse::LoadResult::UnknownRecord ? browse::LoadResult::Failed : loaded);
        return;
    }
    browse::PrintSource source;
    source.data = data;
    source.channelList = data->channelList;
    source.curveSnapshot = browse::RecordCurveSnapshot(*data, false);
    source.user = LoginUserName();
    if (browse::PrintWithOptions(&m_body, source))
        WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnBnClickedBprint"), JoinWords(Msg(275), data->header.name), 10,
                          LoginUserName());
}

} // namespace qm::window
