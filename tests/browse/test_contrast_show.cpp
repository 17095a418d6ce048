// The comparison view offscreen: opening from ticked records, the time
// dialog, the channel selector, data list, statistics and shared axis, batch
// delete, export and a picture of it.
#include "CContrastShow.h"
#include "CCustomGraph.h"
#include "MessageSeam.h"
#include "ModalAnswer.h"
#include "PathSeam.h"
#include "RecordFixture.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QTableWidget>

using namespace qm::browse;
using namespace browsetest;

namespace {

class ContrastShowTest : public RecordFixture {
protected:
    std::vector<TickedRecord> Ticked()
    {
        Config one;
        one.types = QStringLiteral("1");
        const int a = AddRecord(QStringLiteral("A00000001"), QStringLiteral("hA"),
                                {{T(0), QStringLiteral("20.0;50")}, {T(1), QStringLiteral("21.0;51")},
                                 {T(2), QStringLiteral("22.0;52")}},
                                Config(), QStringLiteral("a"));
        const int b = AddRecord(QStringLiteral("B00000002"), QStringLiteral("hB"),
                                {{T(1), QStringLiteral("30.0"), QStringLiteral("1")},
                                 {T(5), QStringLiteral("31.0"), QStringLiteral("1")}},
                                one, QStringLiteral("b"));
        return {{a, T(0), T(2)}, {b, T(1), T(5)}};
    }
};

bool WaitShown(CCustomGraph* graph)
{
    QElapsedTimer t;
    t.start();
    while ((graph->RenderPending() || graph->ShownGeneration() < 0) && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return !graph->RenderPending();
}

} // namespace

TEST_F(ContrastShowTest, OpensFromTickedRecordsWithTheirSpan)
{
    qm::MessageScript script;
    CContrastShow view;
    const std::vector<TickedRecord> ticked = Ticked();
    EXPECT_FALSE(view.OpenFromTicked({ticked[0]}));
    EXPECT_EQ(script.LastNumber(), 316);

    // The dialog comes preset with the span and swaps a reversed window.
    QString presetStart, presetEnd;
    qmtest::OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<CDlgContrastTime*>(w);
        ASSERT_TRUE(dlg);
        presetStart = dlg->StartEdit()->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        presetEnd = dlg->EndEdit()->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        dlg->StartEdit()->setDateTime(QDateTime::fromString(T(2), QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        dlg->EndEdit()->setDateTime(QDateTime::fromString(T(1), QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        dlg->OnBnClickedOk();
    });
    ASSERT_TRUE(view.OpenFromTicked(ticked));
    EXPECT_EQ(presetStart, T(0));
    EXPECT_EQ(presetEnd, T(5));
    EXPECT_EQ(view.Comparison().window.start, T(1));
    EXPECT_EQ(view.Comparison().window.end, T(2));
    EXPECT_EQ(view.View().data.Count(), 2);
}

TEST_F(ContrastShowTest, RebuildsPerTypeWithOneSharedAxis)
{
    qm::MessageScript script;
    CContrastShow view;
    view.resize(900, 640);
    std::vector<int> ids;
    for (const TickedRecord& t : Ticked())
        ids.push_back(t.id);
    ASSERT_TRUE(view.Open(ids, {}));
    ASSERT_EQ(view.ChannelSelector()->count(), 2);
    EXPECT_EQ(view.ChannelSelector()->itemData(0).toInt(), 1);
    EXPECT_EQ(view.ChannelSelector()->itemText(1), QStringLiteral("湿度"));

    QAbstractTableModel* model = view.DataModel();
    ASSERT_EQ(model->rowCount(), 4); // minutes 5, 2, 1, 0: newest first
    EXPECT_EQ(model->index(0, 1).data().toString(), QStringLiteral("4"));
    EXPECT_EQ(model->index(0, 2).data().toString(), T(5));
    EXPECT_EQ(model->index(0, 3).data().toString(), QString()); // a has no sample then
    EXPECT_EQ(model->index(0, 4).data().toString(), QStringLiteral("31.0"));
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("a-温度"));
    EXPECT_EQ(view.StatisticsTable()->rowCount(), 2);
    EXPECT_EQ(view.StatisticsTable()->item(1, 5)->text(), QStringLiteral("31.0"));

    ASSERT_EQ(view.Graph()->Axes().size(), 2u);
    EXPECT_EQ(view.Graph()->AxisLimit(), 1);
    EXPECT_DOUBLE_EQ(view.Graph()->Axes()[0].top, view.Graph()->Axes()[1].top);
    EXPECT_DOUBLE_EQ(view.Graph()->Axes()[0].bottom, 18.0);
    EXPECT_DOUBLE_EQ(view.Graph()->Axes()[1].top, 33.0);

    view.OnSelectChannel(1);
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(view.StatisticsTable()->rowCount(), 1);
    view.OnSelectChannel(0);

    view.show();
    EXPECT_TRUE(WaitShown(view.Graph()));
    QDir().mkpath(QStringLiteral(QM_ARTEFACT_DIR));
    view.grab().save(QStringLiteral(QM_ARTEFACT_DIR "/contrast-show.png"));

    // Batch delete: nothing ticked 154; the ticked rows leave the view only.
    view.OnBnClickedDelete();
    EXPECT_EQ(script.LastNumber(), 154);
    view.TickRow(0, true);
    view.OnBnClickedDelete();
    EXPECT_EQ(script.LastNumber(), 153);
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(view.StatisticsTable()->item(1, 5)->text(), QStringLiteral("30.0"));

    // Export of what is shown, then the log entry.
    qm::PathScript paths;
    paths.Answer({Folder() + QStringLiteral("/cmp")}, 0);
    view.OnBnClickedBdataSave();
    EXPECT_EQ(script.LastNumber(), 183);
    QFile f(Folder() + QStringLiteral("/cmp.csv"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith(QByteArray("\xd7\xee\xb4\xf3\xd6\xb5,22.0,30.0\r\n")));
}
