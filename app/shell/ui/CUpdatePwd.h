#pragma once
// The change of the logged-in user's password.
#include <QDialog>

class QLineEdit;

namespace qm {

class CUpdatePwd : public QDialog {
    Q_OBJECT
public:
    explicit CUpdatePwd(QWidget* parent = nullptr);
    QLineEdit* OldEdit() const { return m_old; }
    QLineEdit* NewEdit() const { return m_new; }
    QLineEdit* ConfirmEdit() const { return m_confirm; }

public slots:
    void OnBnClickedOk();

private:
    QLineEdit* m_old;
    QLineEdit* m_new;
    QLineEdit* m_confirm;
};

// The hint under a new password: "8-16个字符，由"英文大小写、数字、特殊字符"组成".
QString PasswordHint();

} // namespace qm
