#include "CUserManager.h"

#include "LoginState.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "Strings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm {
namespace {

QDialogButtonBox* SubmitButtons(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(Msg(5052), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QLineEdit* PasswordField(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(32);
    return edit;
}

} // namespace

QComboBox* MakeRoleCombo(QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("role"));
    for (int role : {kRoleOperator, kRoleUser, kRoleDisabled})
        combo->addItem(RoleText(role), role);
    return combo;
}

// ---- CUserManager ------------------------------------------------------------

CUserManager::CUserManager(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CUserManager"));
    setWindowTitle(Msg(5207));
    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("list"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels({Msg(132), Msg(296), Msg(5200), Msg(5201), Msg(5202)});
    const int widths[] = {50, 120, 120, 200, 200};
    for (int i = 0; i < 5; ++i) {
        m_list->setColumnWidth(i, widths[i]);
        m_list->headerItem()->setTextAlignment(i, Qt::AlignCenter);
    }
    layout->addWidget(m_list);

    auto* row = new QHBoxLayout;
    m_add = new QPushButton(Msg(5203), this);
    m_add->setObjectName(QStringLiteral("add"));
    m_edit = new QPushButton(Msg(5204), this);
    m_edit->setObjectName(QStringLiteral("edit"));
    m_delete = new QPushButton(Msg(5053), this);
    m_delete->setObjectName(QStringLiteral("delete"));
    m_delete->setEnabled(false);
    row->addStretch();
    row->addWidget(m_add);
    row->addWidget(m_edit);
    row->addWidget(m_delete);
    layout->addLayout(row);
    connect(m_add, &QPushButton::clicked, this, &CUserManager::OnBnClickedBuserAdd);
    connect(m_edit, &QPushButton::clicked, this, &CUserManager::OnBnClickedBuserEdit);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &CUserManager::OnRowChanged);
    resize(740, 420);
    Reload();
}

void CUserManager::Reload()
{
    m_list->clear();
    m_rows = ListUsers().value_or(QList<UserRow>());
    int number = 1;
    for (const UserRow& user : m_rows) {
        auto* item = new QTreeWidgetItem(m_list, {QString::number(number++), user.name, RoleText(user.role),
                                                  user.createTime, user.updateTime});
        for (int i = 0; i < 5; ++i)
            item->setTextAlignment(i, Qt::AlignCenter);
    }
    m_edit->setEnabled(true);
}

void CUserManager::OnRowChanged()
{
    const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    const bool admin = row >= 0 && row < m_rows.size() && m_rows[row].name == QLatin1String(kAdministratorName);
    m_edit->setEnabled(!admin);
    m_delete->setEnabled(false);
}

void CUserManager::OnBnClickedBuserAdd()
{
    CUserAdd dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        Reload();
}

void CUserManager::OnBnClickedBuserEdit()
{
    const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    if (row < 0 || row >= m_rows.size()) {
        ShowMessage(154);
        return;
    }
    const UserRow user = m_rows[row];
    // The administrator's row is never edited here, whatever enabled the button.
    if (user.name == QLatin1String(kAdministratorName))
        return;
    CUserEdit dialog(user, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    Reload();
    WriteOperationLog(QStringLiteral("CUserManager::OnBnClickedBuserEdit"),
                      JoinWords(Msg(299) + Msg(295), QStringLiteral("(%1)").arg(user.name)), 26);
}

// ---- CUserAdd ----------------------------------------------------------------

CUserAdd::CUserAdd(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CUserAdd"));
    setWindowTitle(Msg(298));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("name"));
    m_password = PasswordField(this, "password");
    m_password->setToolTip(QStringLiteral("<span style=\"color:white; background:red;\">%1</span>").arg(Msg(265)));
    m_password->setPlaceholderText(Msg(265));
    m_role = MakeRoleCombo(this);
    m_role->setCurrentIndex(1);
    form->addRow(Msg(296), m_name);
    form->addRow(Msg(5211), m_password);
    form->addRow(Msg(5200), m_role);
    layout->addLayout(form);
    auto* hint = new QLabel(Msg(5209), this);
    hint->setStyleSheet(QStringLiteral("color: rgb(153,153,153);"));
    layout->addWidget(hint);
    QDialogButtonBox* buttons = SubmitButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CUserAdd::OnBnClickedOk);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

void CUserAdd::OnBnClickedOk()
{
    const int message = AddUser(m_name->text(), m_password->text(), m_role->currentIndex() + 1);
    ShowMessage(message);
    if (message == 124)
        accept();
}

// ---- CUserEdit ---------------------------------------------------------------

CUserEdit::CUserEdit(const UserRow& user, QWidget* parent) : QDialog(parent), m_user(user)
{
    setObjectName(QStringLiteral("CUserEdit"));
    setWindowTitle(Msg(299));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* name = new QLineEdit(user.name, this);
    name->setObjectName(QStringLiteral("name"));
    name->setReadOnly(true);
    m_password = PasswordField(this, "password");
    m_confirm = PasswordField(this, "confirm");
    m_role = MakeRoleCombo(this);
    form->addRow(Msg(296), name);
    form->addRow(Msg(5211), m_password);
    form->addRow(Msg(5214), m_confirm);
    form->addRow(Msg(5200), m_role);
    layout->addLayout(form);
    auto* hint = new QLabel(Msg(5209), this);
    hint->setStyleSheet(QStringLiteral("color: rgb(153,153,153);"));
    layout->addWidget(hint);
    QDialogButtonBox* buttons = SubmitButtons(this);
    QPushButton* reset = buttons->addButton(Msg(5205), QDialogButtonBox::ResetRole);
    reset->setObjectName(QStringLiteral("reset"));
    connect(reset, &QPushButton::clicked, this, &CUserEdit::OnBnClickedReset);
    connect(buttons, &QDialogButtonBox::accepted, this, &CUserEdit::OnBnClickedOk);
    layout->addWidget(buttons);
    setMinimumWidth(380);
    OnBnClickedReset();
}

void CUserEdit::OnBnClickedReset()
{
    m_password->clear();
    m_confirm->clear();
    const int index = m_role->findData(m_user.role);
    m_role->setCurrentIndex(index >= 0 ? index : 1);
}

void CUserEdit::OnBnClickedOk()
{
    const int message = EditUser(m_user.name, m_password->text(), m_confirm->text(), m_role->currentIndex() + 1);
    ShowMessage(message);
    if (message == 124)
        accept();
}

} // namespace qm
