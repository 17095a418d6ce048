#pragma once
// The first step of the phone import ("导入安卓数据库"): the phones attached,
// under the root "全部手机"; "下一步" copies the phone app's database from the
// chosen phone into the program folder and closes with OK.
#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace qm::store {

class CPortableDevices;

class CDlgPhonelist : public QDialog {
    Q_OBJECT
public:
    // Lists the phones at once; when the list cannot be made the library's
    // text has been shown and exec() ends with Rejected without showing.
    explicit CDlgPhonelist(CPortableDevices& devices, QWidget* parent = nullptr);
    ~CDlgPhonelist() override;

    int exec() override;
    bool Listed() const { return m_listed; }

    // "下一步": a phone must be chosen (154 otherwise); its database is
    // copied (the library's text when that fails, and the dialog stays).
    void OnBnClickedNext();

    QTreeWidget* Tree() const { return m_tree; }
    QPushButton* NextButton() const { return m_next; }

private:
    bool ListPhones();

    CPortableDevices& m_devices;
    QTreeWidget* m_tree = nullptr;
    QPushButton* m_next = nullptr;
    bool m_listed = false;
};

} // namespace qm::store
