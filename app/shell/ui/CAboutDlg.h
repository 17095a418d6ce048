#pragma once
// The About dialog: name and version, and the start of the updater.
#include <QDialog>

class QLabel;

namespace qm {

inline constexpr char kProgramVersion[] = "1.5.0";

// Starts "update" from the program folder (working folder: the program
// folder). 0 when it started, else an error number for message 248.
int StartUpdater();

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QString TitleLine() const;

public slots:
    void OnBnClickedBUpdate();

private:
    QLabel* m_title;
};

} // namespace qm
