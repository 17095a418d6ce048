#include "CUpdatePwd.h"

#include "LoginState.h"
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

QString PasswordHint() { return Msg(5209); }

CUpdatePwd::CUpdatePwd(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CUpdatePwd"));
    setWindowTitle(Msg(112));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* user = new QLabel(LoginUserName(), this);
    user->setObjectName(QStringLiteral("user"));
    const auto passwordEdit = [this](const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setEchoMode(QLineEdit::Password);
        edit->setMaxLength(32);
        return edit;
    };
    m_old = passwordEdit("old");
    m_new = passwordEdit("new");
    m_confirm = passwordEdit("confirm");
    form->addRow(Msg(296), user);
    form->addRow(Msg(5212), m_old);
    form->addRow(Msg(5213), m_new);
    form->addRow(Msg(5214), m_confirm);
    layout->addLayout(form);
    auto* hint = new QLabel(PasswordHint(), this);
    hint->setStyleSheet(QStringLiteral("color: rgb(153,153,153);"));
    layout->addWidget(hint);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Msg(5050), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CUpdatePwd::OnBnClickedOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(380);
    m_old->setFocus();
}

void CUpdatePwd::OnBnClickedOk()
{
    const int message = ChangePassword(m_old->text(), m_new->text(), m_confirm->text());
    ShowMessage(message);
    if (message == 206) {
        accept();
        return;
    }
    if (message == 123)
        return;
    m_old->clear();
    m_new->clear();
    m_confirm->clear();
    m_old->setFocus();
}

} // namespace qm
