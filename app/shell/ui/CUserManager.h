#pragma once
// The user manager (administrators only) and its add and edit dialogs. Users
// are never deleted: they are retired with the role 禁用.
#include "Users.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace qm {

class CUserManager : public QDialog {
    Q_OBJECT
public:
    explicit CUserManager(QWidget* parent = nullptr);
    QTreeWidget* List() const { return m_list; }
    QPushButton* EditButton() const { return m_edit; }
    QPushButton* DeleteButton() const { return m_delete; }

public slots:
    void Reload();
    void OnBnClickedBuserAdd();
    void OnBnClickedBuserEdit();

private:
    void OnRowChanged();
    QTreeWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_edit;
    QPushButton* m_delete;
    QList<UserRow> m_rows;
};

// The role combo of both dialogs: 设备操作员, 普通用户, 禁用 (position + 1 is the role).
QComboBox* MakeRoleCombo(QWidget* parent);

class CUserAdd : public QDialog {
    Q_OBJECT
public:
    explicit CUserAdd(QWidget* parent = nullptr);
    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* PasswordEdit() const { return m_password; }
    QComboBox* RoleCombo() const { return m_role; }

public slots:
    void OnBnClickedOk();

private:
    QLineEdit* m_name;
    QLineEdit* m_password;
    QComboBox* m_role;
};

class CUserEdit : public QDialog {
    Q_OBJECT
public:
    CUserEdit(const UserRow& user, QWidget* parent = nullptr);
    QLineEdit* PasswordEdit() const { return m_password; }
    QLineEdit* ConfirmEdit() const { return m_confirm; }
    QComboBox* RoleCombo() const { return m_role; }

public slots:
    void OnBnClickedOk();
    void OnBnClickedReset();

private:
    UserRow m_user;
    QLineEdit* m_password;
    QLineEdit* m_confirm;
    QComboBox* m_role;
};

} // namespace qm
