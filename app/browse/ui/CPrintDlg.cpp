#include "CPrintDlg.h"

#include "MessageSeam.h"
#include "Strings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm::browse {

namespace {
ChoosePrinter g_chooser;
} // namespace

void SetPrinterChooser(ChoosePrinter chooser) { g_chooser = std::move(chooser); }

CPrintDlg::CPrintDlg(const QStringList& channelTexts, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Msg(240));
    m_available = new QListWidget(this);
    m_selected = new QListWidget(this);
    for (QListWidget* list : {m_available, m_selected}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setMinimumWidth(80);
        connect(list, &QListWidget::itemSelectionChanged, this, &CPrintDlg::UpdateButtons);
    }
    for (int i = 0; i < channelTexts.size(); ++i) {
        auto* item = new QListWidgetItem(channelTexts.at(i), m_available);
        item->setData(Qt::UserRole, i);
    }
    m_add = new QPushButton(Msg(6002), this);
    m_remove = new QPushButton(Msg(6003), this);
    m_data = new QCheckBox(Msg(130), this);
    m_curve = new QCheckBox(Msg(6004), this);
    connect(m_add, &QPushButton::clicked, this, &CPrintDlg::OnBnClickedAdd);
    connect(m_remove, &QPushButton::clicked, this, &CPrintDlg::OnBnClickedRemove);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Msg(6000), this), 0, 0);
    grid->addWidget(new QLabel(Msg(6001), this), 0, 2);
    grid->addWidget(m_available, 1, 0, 2, 1);
    grid->addWidget(m_add, 1, 1, Qt::AlignBottom);
    grid->addWidget(m_remove, 2, 1, Qt::AlignTop);
    grid->addWidget(m_selected, 1, 2, 2, 1);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(m_data);
    boxes->addWidget(m_curve);
    boxes->addStretch();
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Msg(5050), QDialogButtonBox::AcceptRole);
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPrintDlg::OnBnClickedOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(boxes);
    layout->addWidget(buttons);
    UpdateButtons();
}

std::vector<int> CPrintDlg::SelectedChannels() const
{
    std::vector<int> indices;
    for (int r = 0; r < m_selected->count(); ++r)
        indices.push_back(m_selected->item(r)->data(Qt::UserRole).toInt());
    return indices;
}

bool CPrintDlg::PrintData() const { return m_data->isChecked(); }
bool CPrintDlg::PrintCurve() const { return m_curve->isChecked(); }

void CPrintDlg::Move(QListWidget* from, QListWidget* to)
{
    // Rows keep their order and their item data.
    for (int r = 0; r < from->count();) {
        if (from->item(r)->isSelected()) {
            QListWidgetItem* item = from->takeItem(r);
            item->setSelected(false);
            to->addItem(item);
        } else {
            ++r;
        }
    }
    UpdateButtons();
}

void CPrintDlg::OnBnClickedAdd() { Move(m_available, m_selected); }
void CPrintDlg::OnBnClickedRemove() { Move(m_selected, m_available); }

void CPrintDlg::UpdateButtons()
{
    m_add->setEnabled(!m_available->selectedItems().isEmpty());
    m_remove->setEnabled(!m_selected->selectedItems().isEmpty());
}

void CPrintDlg::OnBnClickedOk()
{
    if (const int refusal = PrintOptionsCheck(m_selected->count(), PrintCurve(), PrintData())) {
        ShowMessage(refusal);
        return;
    }
    accept();
}

bool PrintWithOptions(QWidget* parent, const PrintSource& source)
{
    if (!source.data)
        return false;
    const QStringList texts = PrintChannelTexts(source.channelList);
    CPrintDlg options(texts, parent);
    if (options.exec() != QDialog::Accepted)
        return false;

    PrintJob job;
    job.data = source.data.get();
    job.curve = options.PrintCurve();
    job.table = options.PrintData();
    job.comparison = source.comparison;
    job.user = source.user;
    job.now = QDateTime::currentDateTime();
    job.curveSnapshot = source.curveSnapshot;
    for (int c : options.SelectedChannels()) {
        if (c < 0 || c >= int(source.data->channels.size()))
            continue;
        job.channels.push_back({c, texts.value(c), source.labels.value(c, MsgF(147, {QString::number(c + 1)}))});
    }

    QPrinter printer(QPrinter::HighResolution);
    if (g_chooser) {
        if (!g_chooser(printer))
            return false;
    } else {
        QPrintDialog dialog(&printer, parent);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    if (!printer.isValid()) {
        ShowMessage(184);
        return false;
    }
    printer.setDocName(PrintDocumentName(job.curve, job.table));

    QProgressDialog progress(parent);
    progress.setWindowTitle(Msg(240));
    progress.setCancelButtonText(Msg(5051));
    progress.setRange(0, int(std::min<qsizetype>(job.data->Count(), 1 << 30)));
    progress.setMinimumDuration(300);
    progress.setWindowModality(Qt::WindowModal);
    const PrintResult result = PrintRecordPages(printer, job, [&](int, qsizetype rows, qsizetype) {
        progress.setValue(int(rows));
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
    progress.close();
    if (result != PrintResult::Printed) {
        printer.abort();
        // Printed to a file: what was drawn before the stop is no print.
        if (!printer.outputFileName().isEmpty())
            QFile::remove(printer.outputFileName());
    }
    if (const int m = PrintResultMessage(result))
        ShowMessage(m, MsgButtons::Ok, result == PrintResult::Printed ? MsgIcon::Information : MsgIcon::Warning);
    return result == PrintResult::Printed;
}

} // namespace qm::browse
