#include "CBackupSet.h"

#include "AppEnv.h"
#include "DataTransfer.h"
#include "PathSeam.h"
#include "Strings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm::store {

CBackupSet::CBackupSet(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Msg(284));
    m_path = new QLineEdit(BackupFolder(), this);
    m_path->setMinimumWidth(360);
    m_browse = new QPushButton(Msg(5056), this);
    m_browse->setAutoDefault(false);
    m_browse->setFixedWidth(m_browse->fontMetrics().horizontalAdvance(m_browse->text()) + 24);
    m_save = new QPushButton(Msg(5030), this);
    m_save->setDefault(true);

    auto* row = new QHBoxLayout;
    row->addWidget(m_path, 1);
    row->addWidget(m_browse);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Msg(6200), this));
    layout->addLayout(row);
    layout->addLayout(buttons);

    connect(m_browse, &QPushButton::clicked, this, &CBackupSet::OnBnClickedBrowse);
    connect(m_save, &QPushButton::clicked, this, &CBackupSet::OnBnClickedOk);
}

CBackupSet::~CBackupSet() = default;

void CBackupSet::OnBnClickedBrowse()
{
    PathRequest request;
    request.dialog = PathDialog::Folder;
    request.caption = Msg(245);
    request.start = m_path->text().trimmed();
    const PathAnswer answer = AskPath(request);
    if (!answer.Cancelled())
        m_path->setText(answer.Path());
}

void CBackupSet::OnBnClickedOk()
{
    if (SaveBackupFolder(m_path->text()))
        accept();
}

} // namespace qm::store
