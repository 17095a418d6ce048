#include "CDlgAllNote.h"

#include "MessageSeam.h"
#include "Strings.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm::device {

CDlgAllNote::CDlgAllNote(QWidget* mainWindow) : QDialog(nullptr), m_mainWindow(mainWindow)
{
    // A window of its own, not a child of the main window: disabling the main
    // window must not disable this one.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);
    setWindowTitle(Msg(5038));

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_done = new QLabel(QStringLiteral("0"), this);
    m_total = new QLabel(QStringLiteral("0"), this);
    m_successes = new QLabel(QStringLiteral("0"), this);
    m_failures = new QLabel(QStringLiteral("0"), this);

    // A batch hides its progress while it has none to show (a batch download
    // before it knows its samples): the bar keeps its room, so nothing jumps.
    QSizePolicy keepRoom = m_progress->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keepRoom);

    for (int i = 0; i < 4; ++i) {
        m_labels[i] = new QLabel(this);
        m_labels[i]->setObjectName(QStringLiteral("label%1").arg(i));
    }
    auto* counts = new QGridLayout;
    counts->addWidget(m_labels[0], 0, 0);
    counts->addWidget(m_done, 0, 1);
    counts->addWidget(m_labels[1], 0, 2);
    counts->addWidget(m_total, 0, 3);
    counts->addWidget(m_labels[2], 1, 0);
    counts->addWidget(m_successes, 1, 1);
    counts->addWidget(m_labels[3], 1, 2);
    counts->addWidget(m_failures, 1, 3);
    counts->setColumnStretch(1, 1);
    counts->setColumnStretch(3, 1);

    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_text->setMinimumSize(360, 180);

    m_ok = new QPushButton(Msg(5050), this);
    m_cancel = new QPushButton(Msg(5051), this);
    m_cancel->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_progress);
    layout->addLayout(counts);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &CDlgAllNote::OnBnClickedOk);
    connect(m_cancel, &QPushButton::clicked, this, &CDlgAllNote::OnBnClickedCancel);
    connect(&m_note, &CBatchNote::changed, this, &CDlgAllNote::Refresh, Qt::QueuedConnection);
    Refresh();
}

CDlgAllNote::~CDlgAllNote() = default;

void CDlgAllNote::Begin(const QString& title, bool offerCancel)
{
    m_note.Reset(title, offerCancel);
    if (m_mainWindow)
        m_mainWindow->setEnabled(false);
    Refresh();
    show();
    raise();
}

void CDlgAllNote::Refresh()
{
    const CBatchNote::State s = m_note.Snapshot();
    if (s.serial == m_shownSerial)
        return;
    m_shownSerial = s.serial;
    setWindowTitle(s.title.isEmpty() ? Msg(5038) : s.title);
    // 294/295 are also suffixes of other texts (" succeeded"): as labels they
    // stand alone.
    const auto general = [](int number) {
        QString text = Msg(number).trimmed();
        if (!text.isEmpty())
            text[0] = text[0].toUpper();
        return text;
    };
    const QString defaults[4] = {Msg(5418), Msg(5419), general(295), general(294)};
    for (int i = 0; i < 4; ++i)
        m_labels[i]->setText(s.labels.size() == 4 ? s.labels.at(i) : defaults[i]);
    m_progress->setVisible(s.progressVisible);
    m_progress->setRange(0, qMax(s.total, 0));
    m_progress->setValue(qBound(0, s.done, qMax(s.total, 0)));
    m_done->setText(QString::number(s.done));
    m_total->setText(QString::number(s.total));
    m_successes->setText(QString::number(s.successes));
    m_failures->setText(QString::number(s.failures));
    // Lines only ever grow within a batch: append the new ones; a new batch
    // starts the text afresh.
    if (s.lines.size() < m_shownLines) {
        m_text->clear();
        m_shownLines = 0;
    }
    for (qsizetype i = m_shownLines; i < s.lines.size(); ++i)
        m_text->appendPlainText(s.lines.at(i));
    m_shownLines = s.lines.size();
    m_cancel->setVisible(s.offerCancel && !s.finished && !s.cancelled);
    m_ok->setEnabled(s.finished || s.cancelled);
}

QString CDlgAllNote::DoneText() const { return m_done->text(); }
QString CDlgAllNote::LabelText(int figure) const
{
    return figure >= 0 && figure < 4 ? m_labels[figure]->text() : QString();
}
QString CDlgAllNote::TotalText() const { return m_total->text(); }
QString CDlgAllNote::SuccessText() const { return m_successes->text(); }
QString CDlgAllNote::FailureText() const { return m_failures->text(); }

void CDlgAllNote::EnableMainWindow()
{
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
}

void CDlgAllNote::OnBnClickedOk()
{
    EnableMainWindow();
    hide();
}

void CDlgAllNote::OnBnClickedCancel()
{
    if (ShowMessage(221, MsgButtons::YesNo, MsgIcon::Question) != AnswerYes)
        return;
    m_note.RequestCancel();
    EnableMainWindow();
    hide();
}

void CDlgAllNote::closeEvent(QCloseEvent* event) { event->ignore(); }

void CDlgAllNote::reject() {}

} // namespace qm::device
