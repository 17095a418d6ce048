#include "CDlgPhonelist.h"

#include "AppEnv.h"
#include "PortableDevice.h"

#include "MessageSeam.h"
#include "Strings.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm::store {
namespace {

constexpr int kDeviceIdRole = Qt::UserRole + 1;
// The portable-device library's own error text.
constexpr int kMsgPhoneError = 6214;

} // namespace

CDlgPhonelist::CDlgPhonelist(CPortableDevices& devices, QWidget* parent) : QDialog(parent), m_devices(devices)
{
    // The menu item's text without its accelerator mark.
    setWindowTitle(Msg(5003).remove(u'&'));
    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    m_tree->setMinimumSize(320, 240);
    m_next = new QPushButton(Msg(5057), this);
    m_next->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_next);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Msg(6201), this));
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);

    connect(m_next, &QPushButton::clicked, this, &CDlgPhonelist::OnBnClickedNext);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item && item->parent())
            OnBnClickedNext();
    });
    m_listed = ListPhones();
}

CDlgPhonelist::~CDlgPhonelist() = default;

int CDlgPhonelist::exec()
{
    if (!m_listed)
        return QDialog::Rejected;
    return QDialog::exec();
}

bool CDlgPhonelist::ListPhones()
{
    int error = 0;
    const QString list = m_devices.ListDevices(&error);
    if (error != 0) {
        ShowMessageText(kMsgPhoneError, MsgF(kMsgPhoneError, {m_devices.LastErrorText()}));
        return false;
    }
    auto* root = new QTreeWidgetItem(m_tree, QStringList{Msg(320)});
    for (const PortableDeviceEntry& phone : ParseDeviceList(list)) {
        auto* item = new QTreeWidgetItem(root, QStringList{phone.name});
        item->setData(0, kDeviceIdRole, phone.id);
    }
    root->setExpanded(true);
    // With a single phone there is nothing to choose.
    m_tree->setCurrentItem(root->childCount() == 1 ? root->child(0) : root);
    return true;
}

void CDlgPhonelist::OnBnClickedNext()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->parent()) {
        ShowMessage(154);
        return;
    }
    if (CopyPhoneDatabase(m_devices, item->data(0, kDeviceIdRole).toString(), ProgramFolder()) != 0) {
        ShowMessageText(kMsgPhoneError, MsgF(kMsgPhoneError, {m_devices.LastErrorText()}));
        return;
    }
    accept();
}

} // namespace qm::store
