#include "CAboutDlg.h"

#include "AppEnv.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "Strings.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

int StartUpdater()
{
    const QString folder = ProgramFolder();
    const QString program = folder + QStringLiteral("/update");
    const QFileInfo info(program);
    // The numbers are those the shell gives for the same failures.
    if (!info.exists())
        return 2;    // file not found
    if (!info.isExecutable())
        return 5;    // access denied
    return QProcess::startDetached(program, {}, folder) ? 0 : 31;   // no association / failed
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(TitleText(Msg(101)));
    auto* layout = new QVBoxLayout(this);
    m_title = new QLabel(Msg(119) + u' ' + JoinWords(Msg(249), QLatin1String(kProgramVersion)), this);
    m_title->setObjectName(QStringLiteral("title"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    layout->addWidget(m_title);
    for (int number : {5071, 5072}) {
        auto* line = new QLabel(Msg(number), this);
        line->setStyleSheet(QStringLiteral("color: rgb(153,153,153);"));
        layout->addWidget(line);
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* update = buttons->addButton(Msg(5070), QDialogButtonBox::ActionRole);
    update->setObjectName(QStringLiteral("update"));
    QPushButton* ok = buttons->addButton(Msg(5050), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    layout->addWidget(buttons);
    connect(update, &QPushButton::clicked, this, &CAboutDlg::OnBnClickedBUpdate);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    setMinimumWidth(360);
}

QString CAboutDlg::TitleLine() const { return m_title->text(); }

void CAboutDlg::OnBnClickedBUpdate()
{
    const int error = StartUpdater();
    if (error == 0) {
        WriteOperationLog(QStringLiteral("CAboutDlg::OnBnClickedBUpdate"), Msg(288), 22);
        return;
    }
    ShowMessageText(248, MsgF(248, {QString::number(error)}));
}

} // namespace qm
