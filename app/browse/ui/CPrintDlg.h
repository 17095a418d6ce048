#pragma once
// The print options ("打印"): which channels and what to print; then the
// system print dialog, the pages with progress and cancel, and the result
// message. Used by the record view, the comparison view and the main
// window's print command.
#include "CurveState.h"
#include "PrintLayout.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QListWidget;
class QPushButton;
class QPrinter;

namespace qm::browse {

class CPrintDlg : public QDialog {
    Q_OBJECT
public:
    // `channelTexts`: the list texts of the channels (PrintChannelTexts).
    explicit CPrintDlg(const QStringList& channelTexts, QWidget* parent = nullptr);

    QListWidget* Available() const { return m_available; }
    QListWidget* Selected() const { return m_selected; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* RemoveButton() const { return m_remove; }
    QCheckBox* DataBox() const { return m_data; }
    QCheckBox* CurveBox() const { return m_curve; }

    // Indices of the selected list, in its order, and the two flags (after OK).
    std::vector<int> SelectedChannels() const;
    bool PrintData() const;
    bool PrintCurve() const;

    void OnBnClickedAdd();
    void OnBnClickedRemove();
    // 244 without a selected channel, 311 without a part; else closes with OK.
    void OnBnClickedOk();

private:
    void Move(QListWidget* from, QListWidget* to);
    void UpdateButtons();

    QListWidget* m_available = nullptr;
    QListWidget* m_selected = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QCheckBox* m_data = nullptr;
    QCheckBox* m_curve = nullptr;
};

// What a view prints.
struct PrintSource {
    std::shared_ptr<const CRecordData> data;
    QString channelList;        // "code;code" or the comparison's key titles
    QStringList labels;         // statistics row labels, one per channel
    bool comparison = false;
    CurveSnapshot curveSnapshot;
    QString user;
};

// Options, system print dialog, pages with a progress window (Cancel aborts
// the job: nothing half printed is sent), then 243, 184, 344 or 241. True
// when the record was printed. `choosePrinter` stands in for the system
// print dialog where there is none to ask (tests): it sets up the printer
// and returns false to cancel.
bool PrintWithOptions(QWidget* parent, const PrintSource& source);
using ChoosePrinter = std::function<bool(QPrinter& printer)>;
void SetPrinterChooser(ChoosePrinter chooser); // empty: the system dialog

} // namespace qm::browse
