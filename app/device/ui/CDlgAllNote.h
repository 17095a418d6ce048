#pragma once
// The batch result window: progress (done of total), success and failure
// counts and one line per result, for batch connect, batch configuration and
// batch download. Modeless; its close command is disabled, so only OK (once
// the batch has finished) or, for a batch download, Cancel dismiss it.
//
// The window owns the batch's CBatchNote; workers on any thread report to
// Note() and the window follows on the UI thread:
//
//   dlg.Begin(Msg(5038), false);      // resets, disables the main window, shows
//   BatchConnect(procedure, &dlg.Note());
//   // OK re-enables the main window and hides the window.
#include "CBatchNote.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace qm::device {

class CDlgAllNote : public QDialog {
    Q_OBJECT
public:
    // `mainWindow` is disabled while a batch shows and re-enabled by OK or Cancel.
    explicit CDlgAllNote(QWidget* mainWindow = nullptr);
    ~CDlgAllNote() override;

    CBatchNote& Note() { return m_note; }

    // Resets the note (title, whether Cancel is offered), disables the main
    // window and shows the window.
    void Begin(const QString& title, bool offerCancel);

    // Brings the window up to date with the note now (it also follows by itself).
    void Refresh();

    // For tests and screenshots.
    QProgressBar* Progress() const { return m_progress; }
    QPlainTextEdit* Lines() const { return m_text; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QString DoneText() const;
    // The label of figure 0 done, 1 total, 2 successes, 3 failures.
    QString LabelText(int figure) const;
    QString TotalText() const;
    QString SuccessText() const;
    QString FailureText() const;

    void OnBnClickedOk();
    void OnBnClickedCancel();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;   // Escape does not close it either

private:
    void EnableMainWindow();

    CBatchNote m_note;
    QPointer<QWidget> m_mainWindow;
    QProgressBar* m_progress = nullptr;
    QLabel* m_labels[4] = {};
    QLabel* m_done = nullptr;
    QLabel* m_total = nullptr;
    QLabel* m_successes = nullptr;
    QLabel* m_failures = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    qsizetype m_shownLines = 0;
    quint64 m_shownSerial = ~quint64(0);
};

} // namespace qm::device
