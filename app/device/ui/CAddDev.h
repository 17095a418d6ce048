#pragma once
// "创建设备": the name of a logger the database does not know yet. The name is
// trimmed and must be 1 to 10 bytes in the card-name code page (five Chinese
// characters or ten Latin letters); otherwise message 188 and the dialog stays.
#include <QDialog>

class QLineEdit;

namespace qm::device {

class CAddDev : public QDialog {
    Q_OBJECT
public:
    explicit CAddDev(const QString& currentName, QWidget* parent = nullptr);
    ~CAddDev() override;

    // Shows the dialog; true with the accepted name, false when cancelled.
    static bool Ask(QWidget* parent, const QString& currentName, QString* chosen);

    QString Name() const { return m_accepted; }
    QLineEdit* NameEdit() const { return m_edit; }

    void OnBnClickedOk();

private:
    QLineEdit* m_edit = nullptr;
    QString m_accepted;
};

} // namespace qm::device
