#pragma once
// The backup folder dialog ("自动备份"): the folder the automatic backup writes
// its month folders into, typed or chosen with the folder browser, stored in
// section "backup" with the change on the audit trail.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace qm::store {

class CBackupSet : public QDialog {
    Q_OBJECT
public:
    explicit CBackupSet(QWidget* parent = nullptr);
    ~CBackupSet() override;

    // "...": the folder browser (titled 245) starting at the field's folder.
    void OnBnClickedBrowse();
    // "保存": stores the folder (created when missing) and closes; stays open
    // when it could not be stored.
    void OnBnClickedOk();

    QLineEdit* PathEdit() const { return m_path; }
    QPushButton* BrowseButton() const { return m_browse; }
    QPushButton* SaveButton() const { return m_save; }

private:
    QLineEdit* m_path = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_save = nullptr;
};

} // namespace qm::store
