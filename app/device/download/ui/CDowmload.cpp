#include "CDowmload.h"

#include "Clock.h"
#include "MessageSeam.h"
#include "Schema.h"
#include "Strings.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm::device {

CDowmload::CDowmload(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Msg(5600));
    m_edit = new QLineEdit(qm::store::FormatRecordName(qm::Now()), this);
    m_edit->setMinimumWidth(240);
    auto* form = new QFormLayout;
    form->addRow(Msg(133), m_edit);

    m_ok = new QPushButton(Msg(5050), this);
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &CDowmload::OnBnClickedOk);
}

CDowmload::~CDowmload() = default;

QString CDowmload::Name() const
{
    return m_name;
}

void CDowmload::OnBnClickedOk()
{
    const QString name = m_edit->text();
    if (name.isEmpty()) {
        ShowMessage(340);
        m_edit->setFocus();
        return;
    }
    m_name = name;
    accept();
}

} // namespace qm::device
