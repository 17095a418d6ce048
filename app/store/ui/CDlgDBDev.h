#pragma once
// The second step of the phone import ("数据库导入"): the loggers of the phone
// app's database under the root "全部设备", each with a check box; "确定"
// imports the ticked ones on a worker thread behind the progress window (7
// steps per logger). Cancel there stops before the next logger or batch; the
// loggers already imported stay.
#include "ImportSupport.h"
#include "PhoneImport.h"

#include <QDialog>
#include <QList>

#include <atomic>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace qm::device {
class CProgressDlg;
}

namespace qm::store {

class CDlgDBDev : public QDialog {
    Q_OBJECT
public:
    // `mainWindow` is disabled while the import runs.
    explicit CDlgDBDev(QWidget* mainWindow, QWidget* parent = nullptr);
    ~CDlgDBDev() override;

    // Opens the phone database (through a private copy: the file stays as it
    // is) and fills the tree. False after its message (123 when the loggers
    // cannot be read); exec() then ends with Rejected without showing.
    bool Load(const QString& phoneDatabase);
    int exec() override;

    // "确定": imports the ticked loggers (154 when none is ticked), shows 217 or
    // 216 and closes.
    void OnBnClickedOk();
    // The progress window's Cancel; safe from any thread.
    void CancelImport() { m_cancel.store(true); }
    // Runs on the import's thread after each logger (tests stop an import at a
    // known point through it).
    void SetLoggerDoneHook(std::function<void(const PhoneImportItem&)> hook) { m_loggerDone = std::move(hook); }

    const QList<PhoneLogger>& Loggers() const { return m_loggers; }
    const PhoneImportResult& Result() const { return m_result; }
    QTreeWidget* Tree() const { return m_tree; }
    QLabel* StepLabel() const { return m_step; }
    QPushButton* OkButton() const { return m_ok; }
    device::CProgressDlg* Progress() const { return m_progress.get(); }

private:
    void ShowStep(int index, int count, const QString& text);

    QWidget* m_mainWindow = nullptr;
    QTreeWidget* m_tree = nullptr;
    QLabel* m_step = nullptr;
    QPushButton* m_ok = nullptr;
    // A window of its own: disabling this dialog must leave its Cancel usable.
    std::unique_ptr<device::CProgressDlg> m_progress;
    CImportCopy m_copy;
    QList<PhoneLogger> m_loggers;
    PhoneImportResult m_result;
    std::function<void(const PhoneImportItem&)> m_loggerDone;
    std::atomic<bool> m_cancel{false};
    std::atomic<qint64> m_done{0};
    bool m_loaded = false;
};

} // namespace qm::store
