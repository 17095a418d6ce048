// The record view offscreen: the data list model, the statistics panel, the
// curve, batch deletion, the precise query, curve settings and merge mode.
#include "CDataShow.h"
#include "CSelectData.h"
#include "ModalAnswer.h"
#include "RecordFixture.h"

#include "AppEnv.h"
#include "Ciniwell.h"
#include "MessageSeam.h"
#include "Strings.h"

#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QTableView>
#include <QTableWidget>

using namespace qm::browse;
using namespace browsetest;

namespace {

const QString kSn = QStringLiteral("A1B200001");
const QString kTable = QStringLiteral("hA1B200001_1709251200");

class DataShowTest : public RecordFixture {
protected:
    // Upper 30/80, lower 0/10: 31 is above, -1 below.
    int Record()
    {
        return AddRecord(kSn, kTable,
                         {{T(0), QStringLiteral("20.0;50.0")},
                          {T(1), QStringLiteral("31.0;50.0")},
                          {T(2), QStringLiteral("ERR;-")},
                          {T(3), QStringLiteral("-1.0;55.0")},
                          {T(4), QStringLiteral("22.0;60.0")}});
    }
    static QString Cell(const QAbstractItemModel* m, int row, int column, int role = Qt::DisplayRole)
    {
        return m->index(row, column).data(role).toString();
    }
    static QColor Colour(const QAbstractItemModel* m, int row, int column, int role)
    {
        return m->index(row, column).data(role).value<QBrush>().color();
    }
};

} // namespace

TEST_F(DataShowTest, TheDataListShowsTheNewestSampleFirstWithAlarmColours)
{
    const int id = Record();
    CDataShow view;
    qm::MessageScript script;
    ASSERT_TRUE(view.OpenRecord(id));
    EXPECT_TRUE(script.Numbers().isEmpty());
    const CRecordTableModel* m = view.TableModel();
    ASSERT_EQ(m->rowCount(), 5);
    ASSERT_EQ(m->columnCount(), 5);
    EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), qm::Msg(132));
    EXPECT_EQ(m->headerData(4, Qt::Horizontal).toString(), qm::MsgF(147, {QStringLiteral("2")}));
    EXPECT_EQ(Cell(m, 0, 1), QStringLiteral("5")); // newest first, counting down
    EXPECT_EQ(Cell(m, 0, 2), T(4));
    EXPECT_EQ(Cell(m, 4, 1), QStringLiteral("1"));
    EXPECT_EQ(Cell(m, 4, 2), T(0));
    EXPECT_EQ(Cell(m, 3, 3), QStringLiteral("31.0"));
    EXPECT_EQ(Colour(m, 3, 3, Qt::ForegroundRole), QColor(220, 0, 0));  // above: red
    EXPECT_EQ(Colour(m, 1, 3, Qt::ForegroundRole), QColor(0, 70, 230)); // below: blue
    EXPECT_EQ(Cell(m, 2, 3), QStringLiteral("ERR"));
    EXPECT_TRUE(m->index(2, 3).data(Qt::BackgroundRole).isValid()); // errors marked
    EXPECT_EQ(Cell(m, 2, 4), QStringLiteral("-"));
    EXPECT_FALSE(m->index(0, 3).data(Qt::ForegroundRole).isValid()); // inside

    // The statistics panel: figures, the alarm status and the analysis.
    const QTableWidget* s = view.Statistics();
    ASSERT_EQ(s->rowCount(), 2);
    EXPECT_EQ(s->item(0, CDataShow::kStatMax)->text(), QStringLiteral("31.0"));
    EXPECT_EQ(s->item(0, CDataShow::kStatMin)->text(), QStringLiteral("-1.0"));
    EXPECT_EQ(s->item(0, CDataShow::kStatAverage)->text(), QStringLiteral("18.0"));
    EXPECT_EQ(s->item(0, CDataShow::kStatErrors)->text(), QStringLiteral("1"));
    EXPECT_EQ(s->item(0, CDataShow::kStatMaxTime)->text(), T(1));
    EXPECT_EQ(s->item(0, CDataShow::kStatAlarm)->text(), qm::MsgF(5906, {QStringLiteral("2")}));
    EXPECT_NE(s->item(0, CDataShow::kStatMkt)->text(), QStringLiteral("-"));
    EXPECT_EQ(s->item(1, CDataShow::kStatAlarm)->text(), qm::Msg(5905));
    EXPECT_EQ(s->item(1, CDataShow::kStatMkt)->text(), QStringLiteral("-")); // humidity
    EXPECT_EQ(s->item(0, CDataShow::kStatInterval)->text(), QStringLiteral("00:01:00"));
    EXPECT_EQ(s->item(0, CDataShow::kStatAxisTop)->text(), QStringLiteral("33.0"));
    EXPECT_EQ(s->item(0, CDataShow::kStatChannel)->checkState(), Qt::Checked);

    // Opened on the curve, with every sample and both channels.
    EXPECT_EQ(view.CurrentView(), CDataShow::kViewCurve);
    EXPECT_EQ(view.Graph()->SampleCount(), 5);
    EXPECT_EQ(view.Graph()->Series().size(), 2u);
    // Unticking a channel takes its curve away.
    view.Statistics()->item(1, 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(view.Graph()->Series().size(), 1u);
}

TEST_F(DataShowTest, BatchDeletionLeavesTheStoreAlone)
{
    const int id = Record();
    CDataShow view;
    ASSERT_TRUE(view.OpenRecord(id));
    view.SetView(CDataShow::kViewTable);
    qm::MessageScript script;
    view.OnBatchSelect();
    EXPECT_TRUE(view.TableModel()->BatchMode());
    view.OnDeleteRows();
    EXPECT_EQ(script.LastNumber(), 154);
    // Tick the newest row and the one above the limit (rows 0 and 3).
    CRecordTableModel* m = view.TableModel();
    ASSERT_TRUE(m->setData(m->index(0, 0), Qt::Checked, Qt::CheckStateRole));
    ASSERT_TRUE(m->setData(m->index(3, 0), Qt::Checked, Qt::CheckStateRole));
    view.OnDeleteRows();
    EXPECT_EQ(script.LastNumber(), 153);
    ASSERT_EQ(m->rowCount(), 3);
    EXPECT_EQ(Cell(m, 0, 2), T(3));
    EXPECT_EQ(Cell(m, 0, 1), QStringLiteral("3"));
    EXPECT_EQ(view.Statistics()->item(0, CDataShow::kStatMax)->text(), QStringLiteral("20.0"));
    EXPECT_EQ(view.Graph()->SampleCount(), 3);
    view.OnCancelBatch();
    EXPECT_FALSE(m->BatchMode());
    // The search reads the record again from its file.
    view.OnSearch();
    EXPECT_EQ(m->rowCount(), 5);
}

TEST_F(DataShowTest, PreciseQueryRefusesAReversedRangeAndNarrowsTheView)
{
    const int id = Record();
    CDataShow view;
    ASSERT_TRUE(view.OpenRecord(id));
    qm::MessageScript script;
    const QDateTime day(QDate(2024, 3, 1), QTime(0, 0));
    CSelectData dialog(day.addSecs(180), day.addSecs(60));
    dialog.OnBnClickedOk();
    EXPECT_EQ(script.LastNumber(), 156);
    EXPECT_FALSE(dialog.result() == QDialog::Accepted);

    qmtest::OnNextModal([&](QWidget* w) {
        auto* d = qobject_cast<CSelectData*>(w);
        ASSERT_TRUE(d);
        d->StartTime()->setTime(QTime(0, 1, 0));
        d->EndTime()->setTime(QTime(0, 3, 0));
        d->OnBnClickedOk();
    });
    view.OnPreciseQuery();
    EXPECT_EQ(view.TableModel()->rowCount(), 3);
    EXPECT_EQ(view.Data().window.start, T(1));
    // A range without samples: 165 and empty tables.
    view.SetRangePickers(day.addDays(3), day.addDays(2));
    view.OnSearch();
    EXPECT_EQ(script.LastNumber(), 165);
    EXPECT_EQ(view.TableModel()->rowCount(), 0);
    EXPECT_EQ(view.Graph()->SampleCount(), 0);

    EXPECT_FALSE(view.OpenRecord(id + 50));
    EXPECT_EQ(script.LastNumber(), 123);
}

TEST_F(DataShowTest, CurveOptionsAreSavedInTheGraphSection)
{
    qm::Settings().WriteIniInit(QStringLiteral("graph"), QStringLiteral("coll"), 1);
    qm::Settings().WriteIniInit(QStringLiteral("graph"), QStringLiteral("division"), 20);
    CDataShow view;
    EXPECT_TRUE(view.AlarmBox()->isChecked());
    EXPECT_EQ(view.Graph()->Divisions(), 10);
    view.ReticleBox()->click();
    EXPECT_FALSE(view.Graph()->Reticle());
    EXPECT_EQ(qm::Settings().GetIniInt(QStringLiteral("graph"), QStringLiteral("reticle"), 1), 0);
    EXPECT_EQ(qm::Settings().GetIniInt(QStringLiteral("graph"), QStringLiteral("division"), 4), 10);
}

TEST_F(DataShowTest, MergeModeSlotsSwapsAndPriority)
{
    const QString other = QStringLiteral("A1B200002");
    const int first = Record();
    const int second = AddRecord(other, QStringLiteral("hA1B200002_1709251200"),
                                 {{T(4), QStringLiteral("99.0;99.0")}, {T(5), QStringLiteral("23.0;61.0")}});
    CDataShow view;
    view.SetDeviceList([&] {
        return QList<QPair<QString, QString>>{{kSn, QStringLiteral("a")}, {other, QStringLiteral("b")}};
    });
    qm::MessageScript script;
    EXPECT_TRUE(view.OpenMerge({{kSn, first}}));
    EXPECT_EQ(script.LastNumber(), 303);
    ASSERT_TRUE(view.OpenMerge({{kSn, first}, {other, second}}));
    EXPECT_TRUE(view.MergeMode());
    EXPECT_FALSE(view.MergeControls()->isHidden());
    EXPECT_EQ(view.SlotDevice(0)->currentData().toString(), kSn);
    EXPECT_EQ(view.SlotRecord(1)->currentData().toInt(), second);
    EXPECT_EQ(view.SlotDevice(2)->count(), 3); // blank and the two loggers
    const CRecordTableModel* m = view.TableModel();
    ASSERT_EQ(m->rowCount(), 6);
    EXPECT_EQ(Cell(m, 1, 3), QStringLiteral("22.0")); // T(4): slot 1 wins
    EXPECT_EQ(Cell(m, 0, 3), QStringLiteral("23.0")); // T(5): only slot 2

    view.OnSwap(0);
    EXPECT_EQ(view.SlotDevice(0)->currentData().toString(), other);
    EXPECT_EQ(view.SlotRecord(0)->currentData().toInt(), second);
    EXPECT_EQ(view.SlotRecord(1)->currentData().toInt(), first);
    view.SetView(CDataShow::kViewTable);
    view.OnRefresh();
    EXPECT_EQ(Cell(m, 1, 3), QStringLiteral("99.0")); // now slot 1 is the other record

    // A picture of merge mode to look at.
    view.resize(1200, 700);
    view.SetView(CDataShow::kViewCurve);
    view.show();
    view.Graph()->Redraw();
    for (int i = 0; i < 400 && (view.Graph()->RenderPending() || view.Graph()->ShownGeneration() < 0); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_FALSE(view.Graph()->LastBitmap().isNull());
    QDir().mkpath(QStringLiteral(QM_ARTEFACT_DIR));
    view.grab().save(QStringLiteral(QM_ARTEFACT_DIR "/record_view_merge.png"));

    view.SlotRecord(1)->setCurrentIndex(0);
    script.Clear();
    view.OnRefresh();
    EXPECT_EQ(script.LastNumber(), 303);
}
