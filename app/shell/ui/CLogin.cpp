#include "CLogin.h"

#include "MessageSeam.h"
#include "Strings.h"
#include "Users.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

CLogin::CLogin(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CLogin"));
    setWindowTitle(Msg(119));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(Msg(119), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);

    auto* form = new QFormLayout;
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("name"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(Msg(296), m_name);
    form->addRow(Msg(5211), m_password);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Msg(118), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CLogin::OnBnClickedOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(360);
    m_name->setFocus();
}

void CLogin::OnBnClickedOk()
{
    const LoginOutcome outcome = TryLogin(m_name->text(), m_password->text());
    switch (outcome.message) {
    case 0:
        break;
    case 129:
        ShowMessage(129);
        m_name->clear();
        m_password->clear();
        m_name->setFocus();
        return;
    default:
        ShowLoginRefusal(outcome);
        return;
    }
    m_mustChange = outcome.mustChange;
    if (m_mustChange)
        ShowPasswordChangeReason(outcome);
    accept();
}

} // namespace qm
