#include "RecordDialogs.h"

#include "MessageSeam.h"
#include "Strings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm::browse {
namespace {

QDialogButtonBox* OkCancel(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton(Msg(5050), QDialogButtonBox::AcceptRole);
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

QHash<int, QTreeWidgetItem*> FillFolderTree(QTreeWidget* tree, const std::vector<FolderRow>& folders)
{
    tree->clear();
    QHash<int, QTreeWidgetItem*> items;
    auto* root = new QTreeWidgetItem(tree, QStringList{Msg(301)});
    root->setData(0, Qt::UserRole, 0);
    items.insert(0, root);
    // Rows come by floor, so a parent is in before its folders; a folder whose
    // parent is gone hangs under the root rather than vanish.
    for (const FolderRow& f : folders) {
        QTreeWidgetItem* parent = f.floor <= 1 ? root : items.value(f.parentId, root);
        auto* item = new QTreeWidgetItem(parent, QStringList{f.name});
        item->setData(0, Qt::UserRole, f.id);
        items.insert(f.id, item);
    }
    tree->expandAll();
    return items;
}

CUpdRecordName::CUpdRecordName(const QString& name, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Msg(5801));
    m_edit = new QLineEdit(name, this);
    m_edit->setObjectName(QStringLiteral("c1187"));
    m_edit->setMinimumWidth(260);
    auto* form = new QFormLayout;
    form->addRow(Msg(133), m_edit);
    QDialogButtonBox* buttons = OkCancel(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CUpdRecordName::OnBnClickedOk);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_edit->selectAll();
}

QString CUpdRecordName::Name() const { return m_edit->text().trimmed(); }

void CUpdRecordName::OnBnClickedOk()
{
    if (Name().isEmpty()) {
        ShowMessage(215);
        m_edit->setFocus();
        return;
    }
    accept();
}

CCreateFile::CCreateFile(Mode mode, int id, const QString& name, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_id(id)
{
    setWindowTitle(Msg(5800));
    m_edit = new QLineEdit(name, this);
    m_edit->setObjectName(QStringLiteral("c1204"));
    m_edit->setMinimumWidth(260);
    auto* form = new QFormLayout;
    form->addRow(Msg(5825), m_edit);
    QDialogButtonBox* buttons = OkCancel(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCreateFile::OnBnClickedOk);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_edit->selectAll();
}

void CCreateFile::OnBnClickedOk()
{
    if (m_mode == kCreate) {
        m_result = CreateFolder(m_edit->text(), m_id);
    } else if (RenameFolder(m_id, m_edit->text())) {
        m_result = m_id;
    }
    if (m_result > 0)
        accept();
    else
        m_edit->setFocus();
}

CAddtoFile::CAddtoFile(const std::vector<FolderRow>& folders, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Msg(314));
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("c1205"));
    m_tree->setHeaderHidden(true);
    m_tree->setMinimumSize(280, 320);
    FillFolderTree(m_tree, folders);
    m_tree->setCurrentItem(m_tree->topLevelItem(0));
    QDialogButtonBox* buttons = OkCancel(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddtoFile::OnBnClickedOk);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &CAddtoFile::OnBnClickedOk);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addWidget(buttons);
}

void CAddtoFile::OnBnClickedOk()
{
    const QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->parent())
        return;
    m_folder = item->data(0, Qt::UserRole).toInt();
    accept();
}

} // namespace qm::browse
