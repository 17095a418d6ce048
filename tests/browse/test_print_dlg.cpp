// The print options dialog: moving channels, the buttons' enabling, 244 and
// 311; and the whole print from it into a PDF file in place of a printer.
#include "CPrintDlg.h"
#include "MessageSeam.h"
#include "ModalAnswer.h"
#include "RecordFixture.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>

using namespace qm::browse;
using namespace browsetest;

namespace {
class PrintDlgTest : public RecordFixture {};
} // namespace

TEST_F(PrintDlgTest, ChannelListsButtonsAndRefusals)
{
    qm::MessageScript script;
    CPrintDlg dlg({QStringLiteral("温度"), QStringLiteral("湿度"), QStringLiteral("a-温度")});
    EXPECT_EQ(dlg.Available()->count(), 3);
    EXPECT_FALSE(dlg.AddButton()->isEnabled());
    EXPECT_FALSE(dlg.RemoveButton()->isEnabled());
    dlg.OnBnClickedOk();
    EXPECT_EQ(script.LastNumber(), 244);

    dlg.Available()->item(2)->setSelected(true);
    dlg.Available()->item(0)->setSelected(true);
    EXPECT_TRUE(dlg.AddButton()->isEnabled());
    dlg.OnBnClickedAdd();
    EXPECT_EQ(dlg.Available()->count(), 1);
    EXPECT_EQ(dlg.SelectedChannels(), std::vector<int>({0, 2}));
    EXPECT_FALSE(dlg.AddButton()->isEnabled());
    dlg.Selected()->item(0)->setSelected(true);
    EXPECT_TRUE(dlg.RemoveButton()->isEnabled());
    dlg.OnBnClickedRemove();
    EXPECT_EQ(dlg.SelectedChannels(), std::vector<int>({2}));
    EXPECT_EQ(dlg.Available()->item(1)->data(Qt::UserRole).toInt(), 0);

    dlg.OnBnClickedOk();
    EXPECT_EQ(script.LastNumber(), 311);
    EXPECT_FALSE(dlg.result() == QDialog::Accepted);
    dlg.DataBox()->setChecked(true);
    dlg.OnBnClickedOk();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(PrintDlgTest, PrintsThroughThePrinterAndReports243)
{
    QList<Row> rows;
    for (int m = 0; m < 50; ++m)
        rows.push_back({T(m), QStringLiteral("21.5;40")});
    auto data = std::make_shared<CRecordData>();
    ASSERT_EQ(LoadRecord(AddRecord(QStringLiteral("A00000001"), QStringLiteral("h"), rows), {}, data.get()),
              LoadResult::Loaded);
    PrintSource source;
    source.data = data;
    source.channelList = data->channelList;
    source.curveSnapshot = RecordCurveSnapshot(*data, false);
    source.user = QStringLiteral("tester");
    const QString pdf = Folder() + QStringLiteral("/dlg.pdf");
    QString docName;
    SetPrinterChooser([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    qm::MessageScript script;
    qmtest::OnNextModal([](QWidget* w) {
        auto* dlg = qobject_cast<CPrintDlg*>(w);
        ASSERT_TRUE(dlg);
        dlg->Available()->item(1)->setSelected(true);
        dlg->OnBnClickedAdd();
        dlg->CurveBox()->setChecked(true);
        dlg->DataBox()->setChecked(true);
        dlg->OnBnClickedOk();
    });
    EXPECT_TRUE(PrintWithOptions(nullptr, source));
    SetPrinterChooser({});
    EXPECT_EQ(script.Numbers(), QList<int>({243}));
    EXPECT_EQ(script.Requests().value(0).icon, qm::MsgIcon::Information);
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("%PDF"));
}
