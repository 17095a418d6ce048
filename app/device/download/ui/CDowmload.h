#pragma once
// The record name dialog of a download ("历史数据下载"): one field, preset to
// the local time as fourteen digits; OK with an empty field shows 340 and
// keeps the dialog open.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace qm::device {

class CDowmload : public QDialog {
    Q_OBJECT
public:
    explicit CDowmload(QWidget* parent = nullptr);
    ~CDowmload() override;

    // The entered name (after OK).
    QString Name() const;

    void OnBnClickedOk();

    // For tests and screenshots.
    QLineEdit* Edit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }

private:
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
    QString m_name;
};

} // namespace qm::device
