#pragma once
// The progress of a single download ("下载进度"): a bar, the received count,
// "/", the expected count and Cancel. One step per sample; the dialog reads
// the count from the pipeline every 50 ms, so a fast download costs a few
// repaints a second, not one event per sample.
#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace qm::device {

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CProgressDlg(QWidget* parent = nullptr);
    ~CProgressDlg() override;

    // Counters "0", bar 0 of `expected`; follows `received` until Stop().
    void Begin(qint64 expected, std::function<qint64()> received);
    void Stop();
    // Reads the count now (the timer does so by itself).
    void Poll();

    // What Cancel does (the entry's cancel of the running download).
    void SetCancelHandler(std::function<void()> handler) { m_onCancel = std::move(handler); }
    void OnBnClickedCancel();

    // For tests and screenshots.
    QProgressBar* Progress() const { return m_progress; }
    QString ReceivedText() const;
    QString ExpectedText() const;
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;   // Escape does not close it; Cancel does

private:
    QProgressBar* m_progress = nullptr;
    QLabel* m_received = nullptr;
    QLabel* m_expected = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer* m_timer = nullptr;
    std::function<qint64()> m_source;
    std::function<void()> m_onCancel;
    qint64 m_expectedCount = 0;
    qint64 m_shown = -1;
};

} // namespace qm::device
