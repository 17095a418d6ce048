#include "CProgressDlg.h"

#include "Strings.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>

namespace qm::device {

namespace {
constexpr int kPollMs = 50;

// The bar counts in ints; a larger download is shown scaled.
int BarValue(qint64 v, qint64 expected)
{
    if (expected <= INT_MAX)
        return int(qBound<qint64>(0, v, expected));
    return int(double(qBound<qint64>(0, v, expected)) / double(expected) * INT_MAX);
}
} // namespace

CProgressDlg::CProgressDlg(QWidget* parent) : QDialog(parent)
{
    // Its own window: disabling the main window must leave Cancel usable.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(Msg(5601));
    setModal(false);

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setMinimumWidth(320);
    m_received = new QLabel(QStringLiteral("0"), this);
    m_expected = new QLabel(QStringLiteral("0"), this);
    m_cancel = new QPushButton(Msg(5051), this);

    auto* counts = new QHBoxLayout;
    counts->addStretch(1);
    counts->addWidget(m_received);
    counts->addWidget(new QLabel(Msg(5603), this));
    counts->addWidget(m_expected);
    counts->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_progress);
    layout->addLayout(counts);
    layout->addLayout(buttons);

    m_timer = new QTimer(this);
    m_timer->setInterval(kPollMs);
    connect(m_timer, &QTimer::timeout, this, &CProgressDlg::Poll);
    connect(m_cancel, &QPushButton::clicked, this, &CProgressDlg::OnBnClickedCancel);
}

CProgressDlg::~CProgressDlg() = default;

void CProgressDlg::Begin(qint64 expected, std::function<qint64()> received)
{
    m_source = std::move(received);
    m_expectedCount = qMax<qint64>(expected, 0);
    m_shown = -1;
    m_progress->setRange(0, BarValue(m_expectedCount, m_expectedCount));
    m_progress->setValue(0);
    m_received->setText(QStringLiteral("0"));
    m_expected->setText(QString::number(m_expectedCount));
    m_cancel->setEnabled(true);
    m_timer->start();
}

void CProgressDlg::Stop()
{
    Poll();
    m_timer->stop();
    m_source = nullptr;
}

void CProgressDlg::Poll()
{
    if (!m_source)
        return;
    const qint64 v = m_source();
    if (v == m_shown)
        return;
    m_shown = v;
    m_received->setText(QString::number(v));
    m_progress->setValue(BarValue(v, m_expectedCount));
}

QString CProgressDlg::ReceivedText() const { return m_received->text(); }
QString CProgressDlg::ExpectedText() const { return m_expected->text(); }

void CProgressDlg::OnBnClickedCancel()
{
    m_cancel->setEnabled(false);
    if (m_onCancel)
        m_onCancel();
}

void CProgressDlg::closeEvent(QCloseEvent* event) { event->ignore(); }

void CProgressDlg::reject() {}

} // namespace qm::device
