#pragma once
// The login dialog: user name and password; closes with OK only after a
// successful login and then tells whether the password must change now.
#include <QDialog>

class QLineEdit;

namespace qm {

class CLogin : public QDialog {
    Q_OBJECT
public:
    explicit CLogin(QWidget* parent = nullptr);
    bool MustChangePassword() const { return m_mustChange; }
    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* PasswordEdit() const { return m_password; }

public slots:
    void OnBnClickedOk();

private:
    QLineEdit* m_name;
    QLineEdit* m_password;
    bool m_mustChange = false;
};

} // namespace qm
