#include "CRecordViewCommands.h"

#include "CCustomGraph.h"
#include "CDataShow.h"
#include "CDevManager.h"
#include "CQuillmarkBody.h"
#include "MessageSeam.h"
#include "OutputCommands.h"
#include "RecordData.h"
#include "RecordSettings.h"
#include "Schema.h"

#include <QStackedWidget>
#include <QTreeWidget>

namespace qm::window {

CRecordViewCommands::CRecordViewCommands(CQuillmarkBody& body) : QObject(&body), m_body(body)
{
    m_page = new browse::CDataShow(body.RecordArea());
    m_page->hide();
    m_page->SetConnectedConfigFor(device::ConnectedConfigTexts);
    m_page->SetDeviceList([this] {
        // The loggers of the device tree, in tree order.
        QList<QPair<QString, QString>> list;
        QTreeWidget* tree = m_body.DeviceTree();
        for (int r = 0; tree && r < tree->topLevelItemCount(); ++r) {
            QTreeWidgetItem* root = tree->topLevelItem(r);
            for (int i = 0; i < root->childCount(); ++i) {
                const QString sn = root->child(i)->data(0, Qt::UserRole).toString();
                if (!sn.isEmpty())
                    list.append({sn, root->child(i)->text(0)});
            }
        }
        return list;
    });
    connect(m_page, &browse::CDataShow::backRequested, this, &CRecordViewCommands::ShowList);
    // The output layer answers the page's export and curve picture buttons.
    connect(m_page, &browse::CDataShow::exportRequested, this, [this] { ExportShown(); });
    connect(m_page, &browse::CDataShow::screenshotRequested, this,
            [this] { report::SaveCurveImage([this] { return m_page->Graph()->LastBitmap(); }); });
    body.Commands().Install(kBtnMerge, [this] { OnBnClickedBmerge(); });
    body.UpdateToolbar();
}

void CRecordViewCommands::ShowView()
{
    auto* stack = qobject_cast<QStackedWidget*>(m_body.RecordArea());
    if (!stack)
        return;
    if (stack->currentWidget() != m_page)
        m_previous = stack->currentWidget();
    if (!m_added) {
        m_body.SetRecordPage(m_page);
        m_added = true;
    }
    stack->setCurrentWidget(m_page);
    m_page->show();
    m_body.SetListMode(false);
}

void CRecordViewCommands::ShowList()
{
    auto* stack = qobject_cast<QStackedWidget*>(m_body.RecordArea());
    if (stack && m_previous && stack->indexOf(m_previous) >= 0)
        stack->setCurrentWidget(m_previous);
    m_body.SetListMode(true);
}

void CRecordViewCommands::OpenRecord(int recordId)
{
    if (m_page->OpenRecord(recordId))
        ShowView();
}

void CRecordViewCommands::OnBnClickedBmerge() { OpenMerge(m_ticked ? m_ticked() : std::vector<int>()); }

void CRecordViewCommands::OpenMerge(const std::vector<int>& recordIds)
{
    if (recordIds.size() < 2 || recordIds.size() > 4) {
        ShowMessage(303);
        return;
    }
    std::vector<browse::MergeSlot> slotList;
    for (int id : recordIds) {
        browse::RecordHeader header;
        if (browse::ReadRecordHeader(id, &header) <= 0) {
            ShowMessage(123);
            return;
        }
        slotList.push_back({header.sn, id});
    }
    if (m_page->OpenMerge(slotList))
        ShowView();
}

void CRecordViewCommands::ExportShown()
{
    // In merge mode the export names every merged record, in slot order.
    QStringList mergedNames;
    if (m_page->MergeMode()) {
        for (const browse::MergeSlot& slot : m_page->Slots()) {
            if (!slot.IsComplete())
                continue;
            for (const browse::RecordChoice& choice : browse::RecordsOfLogger(slot.sn))
                if (choice.id == slot.recordId)
                    mergedNames << choice.name;
        }
    }
    report::ExportShownRecord(std::make_shared<const browse::CRecordData>(m_page->Data()), mergedNames);
}

} // namespace qm::window
