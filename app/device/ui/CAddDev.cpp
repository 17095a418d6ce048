#include "CAddDev.h"

#include "DeviceText.h"
#include "MessageSeam.h"
#include "Strings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace qm::device {

CAddDev::CAddDev(const QString& currentName, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Msg(5412));
    m_edit = new QLineEdit(currentName, this);
    m_edit->setMinimumWidth(220);
    auto* form = new QFormLayout;
    form->addRow(Msg(136), m_edit);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Msg(5050), QDialogButtonBox::AcceptRole);
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddDev::OnBnClickedOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

CAddDev::~CAddDev() = default;

bool CAddDev::Ask(QWidget* parent, const QString& currentName, QString* chosen)
{
    CAddDev dialog(currentName, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (chosen)
        *chosen = dialog.Name();
    return true;
}

void CAddDev::OnBnClickedOk()
{
    const QString name = m_edit->text().trimmed();
    if (!IsValidCardName(name)) {
        ShowMessage(188);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_accepted = name;
    accept();
}

} // namespace qm::device
