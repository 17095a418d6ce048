#include "CNoteDlg.h"

#include "AuditExport.h"
#include "AuditSearch.h"
#include "LoginState.h"
#include "OutputFile.h"
#include "PathSeam.h"
#include "Clock.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "Strings.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm {
namespace {

// Room a list cell needs around its text (margins and focus frame).
constexpr int kCellPadding = 20;

} // namespace

CNoteDlg::CNoteDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CNoteDlg"));
    setWindowTitle(Msg(5208));
    const QDateTime now = Now();
    const auto dateEdit = [&](const char* name) {
        auto* edit = new QDateEdit(now.date(), this);
        edit->setObjectName(QLatin1String(name));
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
        return edit;
    };
    const auto timeEdit = [&](const char* name) {
        auto* edit = new QTimeEdit(now.time(), this);
        edit->setObjectName(QLatin1String(name));
        edit->setDisplayFormat(QStringLiteral("HH:mm"));
        return edit;
    };
    m_startDate = dateEdit("startDate");
    m_startTime = timeEdit("startTime");
    m_endDate = dateEdit("endDate");
    m_endTime = timeEdit("endTime");

    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("type"));
    m_type->addItem(QString(), 0);
    for (int type = kFirstOperationType; type <= kLastOperationType; ++type)
        m_type->addItem(OperationTypeText(type), type);
    m_user = new QComboBox(this);
    m_user->setObjectName(QStringLiteral("user"));
    m_user->addItem(QString());
    m_user->addItems(AuditUserNames());
    m_user->setMinimumWidth(120);
    m_type->setMinimumWidth(120);

    auto* search = new QPushButton(Msg(5040), this);
    search->setObjectName(QStringLiteral("search"));
    search->setDefault(true);
    m_export = new QPushButton(Msg(5054), this);
    m_export->setObjectName(QStringLiteral("export"));

    auto* filters = new QGridLayout;
    filters->addWidget(new QLabel(Msg(134), this), 0, 0);
    filters->addWidget(m_startDate, 0, 1);
    filters->addWidget(m_startTime, 0, 2);
    filters->addWidget(new QLabel(Msg(141), this), 0, 3);
    filters->addWidget(m_type, 0, 4);
    filters->addWidget(search, 0, 5);
    filters->addWidget(new QLabel(Msg(135), this), 1, 0);
    filters->addWidget(m_endDate, 1, 1);
    filters->addWidget(m_endTime, 1, 2);
    filters->addWidget(new QLabel(Msg(296), this), 1, 3);
    filters->addWidget(m_user, 1, 4);
    filters->addWidget(m_export, 1, 5);
    filters->setColumnStretch(6, 1);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("list"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels({Msg(132), Msg(296), Msg(141), Msg(111), Msg(297)});
    int widths[] = {50, 80, 100, 150, 300};
    // The type column shows every type text of the language whole (English
    // ones are much longer than the Chinese the width was chosen for).
    const QFontMetrics metrics(m_list->font());
    for (int type = kFirstOperationType; type <= kLastOperationType; ++type)
        widths[2] = qMax(widths[2], metrics.horizontalAdvance(OperationTypeText(type)) + kCellPadding);
    for (int i = 0; i < 5; ++i) {
        m_list->setColumnWidth(i, widths[i]);
        m_list->headerItem()->setTextAlignment(i, i < 4 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_list);
    connect(search, &QPushButton::clicked, this, &CNoteDlg::OnBnClickedSearch);
    connect(m_export, &QPushButton::clicked, this, &CNoteDlg::OnBnClickedExport);
    resize(760, 520);
}

void CNoteDlg::OnBnClickedSearch()
{
    m_list->clear();
    m_rows.clear();
    const QString start = m_startDate->date().toString(QStringLiteral("yyyy-MM-dd"))
                          + m_startTime->time().toString(QStringLiteral(" HH:mm"));
    const QString end =
        m_endDate->date().toString(QStringLiteral("yyyy-MM-dd")) + m_endTime->time().toString(QStringLiteral(" HH:mm"));
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto rows = SearchNotes(start, end, m_user->currentText(), m_type->currentData().toInt());
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    if (!rows) {
        ShowMessage(123);
        return;
    }
    QList<QTreeWidgetItem*> items;
    int number = 1;
    for (const NoteRow& row : *rows) {
        auto* item = new QTreeWidgetItem(
            {QString::number(number++), row.user, OperationTypeText(row.type), row.handleTime, row.info});
        for (int i = 0; i < 4; ++i)
            item->setTextAlignment(i, Qt::AlignCenter);
        items << item;
    }
    m_list->addTopLevelItems(items);
    m_rows = *rows;
    m_list->resizeColumnToContents(4);
    if (m_list->columnWidth(4) < 300)
        m_list->setColumnWidth(4, 300);
}

void CNoteDlg::OnBnClickedExport()
{
    if (m_rows.isEmpty()) {
        ShowMessage(165);
        return;
    }
    PathRequest request;
    request.dialog = PathDialog::SaveFile;
    request.filter = QStringLiteral("(*.pdf)|*.pdf||");
    QString path = AskPath(request).Path();
    if (!report::SaveFilePath(QStringLiteral(".pdf"), &path))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = report::ExportAuditTrail(path, LoginUserName(), m_rows);
    QApplication::restoreOverrideCursor();
    if (ok)
        ShowMessage(183);
}

} // namespace qm
