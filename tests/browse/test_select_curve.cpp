// The curve attributes dialog: what it shows, the colour edits, the checks of
// the range, and what OK applies.
#include "CCustomGraph.h"
#include "CSelectCurve.h"
#include "CurveTestUtil.h"
#include "MessageSeam.h"
#include "Strings.h"
#include "SyntheticRecord.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::browse;
using namespace curvetest;

namespace {

class SelectCurveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<CurveAxisRow> axes = curveview::RecordAxes();
        graph.LoadAxes(-1, &axes);
        for (int r = 0; r < 2; ++r) {
            auto* item = new QStandardItem(QStringLiteral("通道%1").arg(r + 1));
            item->setData(r + 1, Qt::UserRole);
            table.appendRow(item);
        }
    }
    static void Type(QLineEdit* edit, const QString& text)
    {
        edit->setText(text);
    }

    CCustomGraph graph;
    QStandardItemModel table;
    MessageScript messages;
};

} // namespace

TEST_F(SelectCurveTest, ShowsTheFirstChannel)
{
    CSelectCurve dialog(&graph, &table);
    EXPECT_EQ(dialog.windowTitle(), Msg(5815));
    ASSERT_EQ(dialog.ChannelCombo()->count(), 2);
    EXPECT_EQ(dialog.ChannelCombo()->currentIndex(), 0);
    EXPECT_EQ(dialog.ChannelCombo()->itemData(1).toInt(), 2);
    EXPECT_EQ(dialog.UpperEdit()->text(), QStringLiteral("12.0"));
    EXPECT_EQ(dialog.LowerEdit()->text(), QStringLiteral("0.0"));
    EXPECT_EQ(dialog.ColourEditOf(CSelectCurve::kCurveB)->text(), QStringLiteral("255"));
    EXPECT_EQ(dialog.ColourEditOf(CSelectCurve::kCurveR)->text(), QStringLiteral("0"));
    EXPECT_EQ(dialog.ColourEditOf(CSelectCurve::kBackgroundG)->text(), QStringLiteral("255"));
    EXPECT_EQ(dialog.ColourEditOf(CSelectCurve::kBackgroundR)->maxLength(), 3);
}

TEST_F(SelectCurveTest, ColourEditsAreClampedWithTheCaretAtTheEnd)
{
    CSelectCurve dialog(&graph, &table);
    QLineEdit* red = dialog.ColourEditOf(CSelectCurve::kCurveR);
    Type(red, QStringLiteral("300"));
    EXPECT_EQ(red->text(), QStringLiteral("255"));
    EXPECT_EQ(red->cursorPosition(), 3);
    EXPECT_EQ(dialog.CurveColour(), QColor(255, 0, 255));
    Type(red, QStringLiteral("-5"));
    EXPECT_EQ(red->text(), QStringLiteral("0"));
    EXPECT_EQ(red->cursorPosition(), 1);
    Type(red, QStringLiteral("x"));
    EXPECT_EQ(red->text(), QStringLiteral("0"));
    Type(red, QStringLiteral("254"));
    EXPECT_EQ(red->text(), QStringLiteral("254"));
    Type(red, QStringLiteral("255"));
    EXPECT_EQ(red->text(), QStringLiteral("255"));

    Type(dialog.ColourEditOf(CSelectCurve::kBackgroundB), QStringLiteral("12"));
    EXPECT_EQ(dialog.BackgroundColour(), QColor(255, 255, 12));
    // Nothing reaches the control before OK or a channel change.
    EXPECT_EQ(graph.Background(), QColor(255, 255, 255));
    EXPECT_EQ(graph.GetCurveColour(0), QColor(0, 0, 255));
}

TEST_F(SelectCurveTest, AChannelChangeChecksAndAppliesThePreviousChannel)
{
    CSelectCurve dialog(&graph, &table);
    Type(dialog.UpperEdit(), QStringLiteral("5"));
    Type(dialog.LowerEdit(), QStringLiteral("6"));
    dialog.ChannelCombo()->setCurrentIndex(1);
    EXPECT_EQ(messages.Numbers(), QList<int>{162});
    EXPECT_EQ(dialog.ChannelCombo()->currentIndex(), 0);

    Type(dialog.LowerEdit(), QStringLiteral("abc"));
    dialog.ChannelCombo()->setCurrentIndex(1);
    EXPECT_EQ(messages.LastNumber(), 5821);
    EXPECT_EQ(dialog.ChannelCombo()->currentIndex(), 0);

    Type(dialog.LowerEdit(), QStringLiteral("-3.5"));
    Type(dialog.ColourEditOf(CSelectCurve::kCurveG), QStringLiteral("128"));
    dialog.ChannelCombo()->setCurrentIndex(1);
    EXPECT_EQ(dialog.ChannelCombo()->currentIndex(), 1);
    EXPECT_DOUBLE_EQ(graph.Axes()[0].top, 5.0);
    EXPECT_DOUBLE_EQ(graph.Axes()[0].bottom, -3.5);
    EXPECT_EQ(graph.GetCurveColour(0), QColor(0, 128, 255));
    // The second channel is shown.
    EXPECT_EQ(dialog.UpperEdit()->text(), QStringLiteral("90.0"));
    EXPECT_EQ(dialog.ColourEditOf(CSelectCurve::kCurveR)->text(), QStringLiteral("255"));
}

TEST_F(SelectCurveTest, OkAppliesToOneAxisOrToTheSharedOne)
{
    {
        CSelectCurve dialog(&graph, &table);
        dialog.ChannelCombo()->setCurrentIndex(1);
        Type(dialog.UpperEdit(), QStringLiteral("80"));
        Type(dialog.LowerEdit(), QStringLiteral("20"));
        Type(dialog.ColourEditOf(CSelectCurve::kBackgroundR), QStringLiteral("200"));
        dialog.OnBnClickedOk();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_DOUBLE_EQ(graph.Axes()[1].top, 80);
        EXPECT_DOUBLE_EQ(graph.Axes()[0].top, 12);
        EXPECT_EQ(graph.Background(), QColor(200, 255, 255));
    }
    {
        graph.SetAxisLimit(1);
        CSelectCurve dialog(&graph, &table);
        Type(dialog.UpperEdit(), QStringLiteral("40"));
        Type(dialog.LowerEdit(), QStringLiteral("-10"));
        dialog.OnBnClickedOk();
        for (const COORYINFO& axis : graph.Axes()) {
            EXPECT_DOUBLE_EQ(axis.top, 40);
            EXPECT_DOUBLE_EQ(axis.bottom, -10);
        }
        EXPECT_EQ(graph.Axes()[1].channelId, 2);
    }
    {
        // Refused: the dialog stays open and nothing changes.
        CSelectCurve dialog(&graph, &table);
        Type(dialog.LowerEdit(), QStringLiteral("99"));
        dialog.OnBnClickedOk();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(messages.LastNumber(), 162);
        EXPECT_DOUBLE_EQ(graph.Axes()[0].bottom, -10);
    }
    {
        // No channel: only the background.
        QStandardItemModel none;
        CSelectCurve dialog(&graph, &none);
        EXPECT_EQ(dialog.ChannelCombo()->currentIndex(), -1);
        Type(dialog.ColourEditOf(CSelectCurve::kBackgroundG), QStringLiteral("0"));
        Type(dialog.UpperEdit(), QStringLiteral("nonsense"));
        dialog.OnBnClickedOk();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(graph.Background(), QColor(200, 0, 255));
    }
}

TEST_F(SelectCurveTest, ASwatchOpensTheColourChooser)
{
    CSelectCurve dialog(&graph, &table);
    auto* timer = new QTimer(&dialog);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        if (auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            chooser->setCurrentColor(QColor(12, 34, 56));
            chooser->accept();
        }
    });
    timer->start(10);
    dialog.ChooseColour(false);
    EXPECT_EQ(dialog.CurveColour(), QColor(12, 34, 56));
    EXPECT_EQ(dialog.ColourEditOf(CSelectCurve::kCurveG)->text(), QStringLiteral("34"));
}
