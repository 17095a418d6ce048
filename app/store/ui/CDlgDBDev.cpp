#include "CDlgDBDev.h"

#include "CProgressDlg.h"
#include "DataTransfer.h"

#include "MessageSeam.h"
#include "Strings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm::store {
namespace {

constexpr int kLoggerRole = Qt::UserRole + 1;

} // namespace

CDlgDBDev::CDlgDBDev(QWidget* mainWindow, QWidget* parent) : QDialog(parent), m_mainWindow(mainWindow)
{
    setWindowTitle(Msg(6202));
    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    m_tree->setMinimumSize(360, 280);
    m_step = new QLabel(this);
    m_ok = new QPushButton(Msg(5050), this);
    m_ok->setDefault(true);
    m_progress = std::make_unique<device::CProgressDlg>();
    m_progress->setWindowTitle(Msg(6216));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_step, 1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Msg(6203), this));
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &CDlgDBDev::OnBnClickedOk);
    m_progress->SetCancelHandler([this] { CancelImport(); });
}

CDlgDBDev::~CDlgDBDev() = default;

bool CDlgDBDev::Load(const QString& phoneDatabase)
{
    m_tree->clear();
    m_loaded = ReadPhoneDatabase(m_copy, phoneDatabase, &m_loggers);
    if (!m_loaded)
        return false;
    // Ticking the root ticks every logger.
    auto* root = new QTreeWidgetItem(m_tree, QStringList{Msg(196)});
    root->setFlags(root->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
    root->setCheckState(0, Qt::Unchecked);
    for (int i = 0; i < m_loggers.size(); ++i) {
        auto* item = new QTreeWidgetItem(root, QStringList{m_loggers[i].TreeText()});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        item->setData(0, kLoggerRole, i);
    }
    root->setExpanded(true);
    m_tree->setCurrentItem(root);
    return true;
}

int CDlgDBDev::exec()
{
    if (!m_loaded)
        return QDialog::Rejected;
    return QDialog::exec();
}

void CDlgDBDev::ShowStep(int index, int count, const QString& text)
{
    m_step->setText(MsgF(6217, {text, QString::number(index + 1), QString::number(count)}));
}

void CDlgDBDev::OnBnClickedOk()
{
    QList<PhoneLogger> chosen;
    if (QTreeWidgetItem* root = m_tree->topLevelItem(0))
        for (int i = 0; i < root->childCount(); ++i)
            if (root->child(i)->checkState(0) == Qt::Checked)
                chosen << m_loggers.value(root->child(i)->data(0, kLoggerRole).toInt());
    if (chosen.isEmpty()) {
        ShowMessage(154);
        return;
    }

    const int count = int(chosen.size());
    if (m_mainWindow)
        m_mainWindow->setEnabled(false);
    setEnabled(false);
    m_cancel.store(false);
    m_done.store(0);
    ShowStep(0, count, chosen.first().TreeText());
    m_progress->Begin(qint64(kPhoneImportSteps) * count, [this] { return m_done.load(); });
    m_progress->show();

    PhoneImportCallbacks callbacks;
    callbacks.cancel = &m_cancel;
    // On the worker: the counter for the progress window, the step label
    // through the event loop.
    callbacks.progress = [this, chosen, count](int value) {
        const int before = int(m_done.exchange(value));
        const int index = qMin(value / kPhoneImportSteps, count - 1);
        if (before / kPhoneImportSteps != value / kPhoneImportSteps && value < kPhoneImportSteps * count) {
            const QString text = chosen[index].TreeText();
            QMetaObject::invokeMethod(
                this, [this, index, count, text] { ShowStep(index, count, text); }, Qt::QueuedConnection);
        }
    };
    callbacks.loggerDone = m_loggerDone;
    m_result = RunPhoneImport(m_copy, chosen, callbacks);

    m_progress->Stop();
    m_progress->hide();
    setEnabled(true);
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
    ReportPhoneImport(m_result, count);
    accept();
}

} // namespace qm::store
