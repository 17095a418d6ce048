#include "CConnect.h"

#include "CAddDev.h"
#include "Strings.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm::device {
namespace {

// The pictures of the two buttons: a plug for USB, the rune for Bluetooth.
QIcon LinkIcon(CConnect::Link link)
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(link == CConnect::LinkUsb ? QColor(0x2e, 0x6d, 0xb4) : QColor(0x1f, 0x8f, 0xd6));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
    QPen pen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (link == CConnect::LinkUsb) {
        p.drawLine(32, 14, 32, 50);
        p.drawLine(32, 40, 20, 30);
        p.drawLine(32, 34, 44, 24);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(32, 50), 4, 4);
        p.drawRect(QRectF(41, 19, 6, 6));
        p.drawEllipse(QPointF(20, 28), 3, 3);
    } else {
        QPainterPath rune;
        rune.moveTo(22, 22);
        rune.lineTo(42, 40);
        rune.lineTo(32, 50);
        rune.lineTo(32, 14);
        rune.lineTo(42, 24);
        rune.lineTo(22, 42);
        p.drawPath(rune);
    }
    return QIcon(pixmap);
}

QToolButton* PictureButton(const QString& text, CConnect::Link link, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setIcon(LinkIcon(link));
    button->setIconSize(QSize(64, 64));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setMinimumSize(110, 100);
    return button;
}

} // namespace

CConnect::CConnect(CConnectProcedure& procedure, QWidget* parent) : QDialog(parent), m_procedure(procedure)
{
    setWindowTitle(Msg(5031));
    m_usb = PictureButton(Msg(5410), LinkUsb, this);
    m_bluetooth = PictureButton(Msg(5411), LinkBluetooth, this);
    connect(m_usb, &QToolButton::clicked, this, [this] { Choose(LinkUsb); });
    connect(m_bluetooth, &QToolButton::clicked, this, [this] { Choose(LinkBluetooth); });

    auto* pictures = new QHBoxLayout;
    pictures->addStretch(1);
    pictures->addWidget(m_usb);
    pictures->addSpacing(24);
    pictures->addWidget(m_bluetooth);
    pictures->addStretch(1);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Msg(5050), QDialogButtonBox::AcceptRole);
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CConnect::OnBnClickedOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pictures);
    layout->addWidget(buttons);
    Choose(LinkUsb);
}

CConnect::~CConnect() = default;

void CConnect::Choose(Link link)
{
    // Both links reach the logger as a serial port; the choice only shows.
    m_link = link;
    m_usb->setChecked(link == LinkUsb);
    m_bluetooth->setChecked(link == LinkBluetooth);
}

int CConnect::Run(CConnectProcedure& procedure, QWidget* parent, bool* cancelled)
{
    CConnect dialog(procedure, parent);
    dialog.exec();
    if (cancelled)
        *cancelled = !dialog.Tried();
    return dialog.Result();
}

void CConnect::OnBnClickedOk()
{
    m_tried = true;
    m_procedure.SetNameAsker([this](const QString& current, QString* chosen) {
        QApplication::restoreOverrideCursor();
        const bool ok = CAddDev::Ask(this, current, chosen);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return ok;
    });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_result = m_procedure.ConnectSelected();
    QApplication::restoreOverrideCursor();
    m_procedure.SetNameAsker({});
    done(m_result == 1 ? QDialog::Accepted : QDialog::Rejected);
}

} // namespace qm::device
