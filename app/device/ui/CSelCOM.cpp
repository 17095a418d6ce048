#include "CSelCOM.h"

#include "ComSettings.h"
#include "Strings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm::device {

CSelCOM::CSelCOM(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Msg(287));
    m_mode = new QComboBox(this);
    m_mode->addItem(Msg(5400), 0);
    m_mode->addItem(Msg(5401), 1);
    m_port = new QComboBox(this);
    m_port->setMinimumContentsLength(28);
    m_baud = new QComboBox(this);
    for (int baud : BaudList())
        m_baud->addItem(QString::number(baud), baud);
    m_interval = new QComboBox(this);
    for (int interval : IntervalChoices())
        m_interval->addItem(QString::number(interval), interval);

    auto* form = new QFormLayout;
    form->addRow(Msg(5414), m_mode);
    form->addRow(Msg(5415), m_port);
    form->addRow(Msg(5416), m_baud);
    form->addRow(Msg(5417), m_interval);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Msg(5050), QDialogButtonBox::AcceptRole);
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSelCOM::OnBnClickedOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    m_mode->setCurrentIndex(ReadAutoMode() == 0 ? 0 : 1);
    EnumeratePorts();
    SelectStored();
    connect(m_mode, &QComboBox::currentIndexChanged, this, &CSelCOM::UpdateEnabling);
    UpdateEnabling();
}

CSelCOM::~CSelCOM() = default;

int CSelCOM::Run(QWidget* parent)
{
    CSelCOM dialog(parent);
    return dialog.exec();
}

int CSelCOM::EnumeratePorts()
{
    const QString selected = m_port->currentData().toString();
    QList<PortInfo> ports;
    const int count = qm::device::EnumeratePorts(&ports);
    m_port->clear();
    for (const PortInfo& p : ports)
        m_port->addItem(QStringLiteral("%1  %2").arg(p.name, p.device), p.name);
    m_port->setCurrentIndex(selected.isEmpty() ? -1 : m_port->findData(selected));
    return count;
}

void CSelCOM::SelectStored()
{
    m_port->setCurrentIndex(m_port->findData(ReadPortText()));
    const int baud = m_baud->findData(ReadDialogBaud());
    m_baud->setCurrentIndex(baud >= 0 ? baud : 0);
    const int interval = m_interval->findData(ReadInterval());
    m_interval->setCurrentIndex(interval >= 0 ? interval : 0);
}

void CSelCOM::UpdateEnabling()
{
    const bool manual = m_mode->currentData().toInt() == 0;
    m_port->setEnabled(manual);
    m_baud->setEnabled(manual);
    m_interval->setEnabled(manual);
}

void CSelCOM::OnBnClickedOk()
{
    ComChoice choice;
    choice.mode = m_mode->currentData().toInt();
    choice.port = m_port->currentIndex() >= 0 ? m_port->currentData().toString() : QString();
    choice.baud = m_baud->currentText().toInt();
    choice.interval = m_interval->currentText().toInt();
    if (SaveComSettings(choice) == SaveComResult::Saved)
        accept();
}

} // namespace qm::device
