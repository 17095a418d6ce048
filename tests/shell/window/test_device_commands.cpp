// The main window's device commands against simulated loggers: connect and
// disconnect, start and stop in every mode combination, download and batch
// connect, through the accelerators and buttons a user presses.
#include "WindowFixture.h"

#include "CBasicAttribute.h"
#include "CDlgAllNote.h"
#include "Clock.h"
#include "ControlIds.h"
#include "MenuCommands.h"
#include "Strings.h"

#include <QAction>
#include <QLabel>
#include <QTest>
#include <QToolButton>

using namespace qm;
using namespace qm::window;
using qm::device::CBasicAttribute;

namespace {

constexpr char kSN[] = "A1B200007";

loggersim::DateTime Civil(const QDateTime& t)
{
    return {t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(), 0};
}

QDateTime FromCivil(const loggersim::DateTime& t)
{
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}

class DeviceCommandTest : public wintest::WindowFixture {
protected:
    // One logger on COM3 with 50 frames of history, known to devInfo, the
    // window logged in with `role` and the logger selected in the tree.
    void StartLogger(int role = kRoleOperator, std::function<void(loggersim::LoggerState&)> setup = {})
    {
        loggersim::LoggerProfile p = devtest::Logger(kSN, 2);
        p.state.cardName = "Cold-1";
        p.state.recordInterval = {0, 1, 30};
        p.state.memoryBytes = p.state.frameBytes * 1000;   // room for 1000 frames
        p.history = loggersim::CHistory::Generated(Civil(QDateTime::currentDateTime().addDays(-1)), 90, 50,
                                                   {{20.0, 2.0, 40, 0.0}, {55.0, 5.0, 30, 0.0}});
        if (setup)
            setup(p.state);
        Start({p}, {3});
        SetCom(0, QStringLiteral("COM3"), 115200, devtest::kLinkDelay);
        AddDevInfo(QString::fromLatin1(kSN), 3, 115200);
        Open();
        LogIn(role);
        m_frame->resize(1280, 800);
        QApplication::setActiveWindow(m_frame.get());
        m_body->DeviceTree()->setCurrentItem(DeviceItem(0));
        ASSERT_EQ(device::DeviceManager().CurrentSN(), QString::fromLatin1(kSN));
    }

    loggersim::CLoggerDevice& Logger() { return Sim().At(0).Device(); }

    // A real key press; the shortcut needs the window to be the active one
    // (a modal dialog that closed may have taken that away).
    void PressCtrl(Qt::Key key)
    {
        m_frame->activateWindow();
        QApplication::setActiveWindow(m_frame.get());
        QTest::keyClick(m_frame.get(), key, Qt::ControlModifier);
    }

    void Connect()
    {
        ConnectOnNextDialog();
        PressCtrl(Qt::Key_I);
        ASSERT_TRUE(device::DeviceManager().Find(QString::fromLatin1(kSN)));
        m_messages.Clear();
    }

    QString ConnectText() const { return m_frame->Action(MenuCmd::Connect)->text(); }
    QString RunText() const { return m_frame->Action(MenuCmd::RunPause)->text(); }
    device::DevicePtr Device() const { return device::DeviceManager().Find(QString::fromLatin1(kSN)); }
};

TEST_F(DeviceCommandTest, CtrlIConnectsThenDisconnects)
{
    StartLogger();
    EXPECT_EQ(ConnectText(), Msg(345));
    EXPECT_EQ(m_frame->Action(MenuCmd::Connect)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    ConnectOnNextDialog();
    PressCtrl(Qt::Key_I);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{187});
    ASSERT_TRUE(Device());
    EXPECT_EQ(ConnectText(), Msg(346));
    // The tree shows the logger under its card name and selects it; the
    // information page shows what the logger reported.
    ASSERT_TRUE(DeviceItem(0));
    EXPECT_EQ(DeviceItem(0)->text(0), QStringLiteral("Cold-1_A1B200007"));
    EXPECT_EQ(m_body->DeviceTree()->currentItem(), DeviceItem(0));
    EXPECT_EQ(m_body->SidePageShown(), kSideDeviceInfo);
    const CBasicAttribute& info = *InfoPage();
    EXPECT_EQ(info.Value(CBasicAttribute::kMac), QStringLiteral("0A:1B:2C:3D:4E:5F"));
    EXPECT_EQ(info.Value(CBasicAttribute::kHistory), QStringLiteral("50/1000"));
    EXPECT_EQ(info.Value(CBasicAttribute::kState), Msg(128));
    EXPECT_EQ(info.Value(CBasicAttribute::kSoftware), QStringLiteral("1.0.0"));
    EXPECT_TRUE(info.ChannelShown(1));
    EXPECT_FALSE(info.ChannelShown(2));
    // The pairs: disconnect instead of connect, run (stopped logger) enabled.
    EXPECT_TRUE(m_body->Button(kBtnConnect)->isHidden());
    EXPECT_FALSE(m_body->Button(kBtnDisconnect)->isHidden());
    EXPECT_TRUE(m_body->Button(kBtnRun)->isEnabled());
    EXPECT_TRUE(m_body->Button(kBtnStop)->isHidden());
    EXPECT_TRUE(m_frame->Action(MenuCmd::RunPause)->isEnabled());

    m_messages.Clear();
    m_messages.Answer(AnswerCancel);   // 210: not yet
    PressCtrl(Qt::Key_I);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{210});
    EXPECT_TRUE(Device());
    m_messages.Clear();
    PressCtrl(Qt::Key_I);
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{210, 190}));
    EXPECT_FALSE(Device());
    EXPECT_EQ(ConnectText(), Msg(345));
    EXPECT_FALSE(m_body->Button(kBtnConnect)->isHidden());
    EXPECT_FALSE(m_body->Button(kBtnRun)->isEnabled());
    const QList<int> types = NoteTypes();
    EXPECT_EQ(types.mid(types.size() - 2), (QList<int>{4, 5}));
    const QStringList texts = NoteTexts();
    EXPECT_EQ(texts.mid(texts.size() - 2),
              (QStringList{Msg(269) + QStringLiteral("Cold-1"), Msg(270) + QStringLiteral("Cold-1")}));
}

TEST_F(DeviceCommandTest, ThePairsFollowTheDeviceNotTheMenuText)
{
    StartLogger();
    Connect();
    // Menu texts that say the opposite (another language, a stale text)
    // change nothing: the connected, stopped logger is disconnected and run.
    m_frame->Action(MenuCmd::Connect)->setText(Msg(345));
    m_frame->Action(MenuCmd::RunPause)->setText(Msg(347));
    m_messages.Answer(AnswerCancel);   // 5420: keep the history
    PressCtrl(Qt::Key_R);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{5420});
    EXPECT_EQ(Logger().State().recordingState, 1);
    m_messages.Clear();
    m_messages.Answer(AnswerCancel);   // 210: stay connected
    m_frame->Action(MenuCmd::Connect)->setText(Msg(345));
    PressCtrl(Qt::Key_I);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{210});
    EXPECT_TRUE(Device());
}

// A connect that finds nobody says 186; one whose port is not there says so.
TEST_F(DeviceCommandTest, AFailedConnectSaysWhy)
{
    StartLogger();
    SetCom(0, QStringLiteral("COM9"), 115200, devtest::kLinkDelay); // no such port
    ConnectOnNextDialog();
    m_body->Route(kBtnConnect);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{5422});
    EXPECT_EQ(m_messages.Requests().last().text, MsgF(5422, {QStringLiteral("9")}));
    EXPECT_FALSE(Device());
    EXPECT_EQ(ConnectText(), Msg(345));

    Sim().At(0).AddFault({loggersim::FaultKind::Silence, -1, 1, -1, 0}); // there, but silent
    SetCom(0, QStringLiteral("COM3"), 115200, 100);
    m_messages.Clear();
    ConnectOnNextDialog();
    m_body->Route(kBtnConnect);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{186});
    EXPECT_FALSE(Device());
    EXPECT_EQ(ConnectText(), Msg(345));
}

// A connected logger that stops answering is marked lost by the command that
// finds out: the message names its port and the reason, the tree item, the
// toolbar and the information page say so, and Ctrl+D asks nothing about a
// recording it can no longer know of. Once it answers again it is back.
TEST_F(DeviceCommandTest, ALoggerThatStopsAnsweringIsShownLost)
{
    StartLogger(kRoleOperator, [](loggersim::LoggerState& s) {
        s.startMode = loggersim::kStartKey;
        s.recordingState = 1;
    });
    Connect();
    ASSERT_EQ(InfoPage()->Value(CBasicAttribute::kState), Msg(127));
    SetCom(0, QStringLiteral("COM3"), 115200, 100);                      // the attempts at a silent logger stay short
    Sim().At(0).AddFault({loggersim::FaultKind::Silence, -1, 1, -1, 0}); // unplugged

    PressCtrl(Qt::Key_D);
    const QString lost = MsgF(5426, {QStringLiteral("3"), QStringLiteral("Cold-1"), Msg(5604)});
    ASSERT_EQ(m_messages.Numbers(), QList<int>{5426}); // not 207, not a bare 186
    EXPECT_EQ(m_messages.Requests().last().text, lost);
    ASSERT_TRUE(DeviceItem(0));
    EXPECT_EQ(DeviceItem(0)->text(0), MsgF(5428, {QStringLiteral("Cold-1_A1B200007")}));
    EXPECT_EQ(DeviceItem(0)->toolTip(0), lost);
    EXPECT_EQ(InfoPage()->Value(CBasicAttribute::kState), Msg(5427));
    EXPECT_FALSE(m_body->Button(kBtnRun)->isEnabled());
    EXPECT_FALSE(m_body->Button(kBtnStop)->isEnabled());
    EXPECT_FALSE(m_body->Button(kBtnDownload)->isEnabled());
    EXPECT_TRUE(m_body->Button(kBtnDisconnect)->isEnabled());
    if (const QString folder = qEnvironmentVariable("QM_SCREENS"); !folder.isEmpty())
        m_frame->grab().save(folder + QStringLiteral("/window-lost-logger.png"));

    m_messages.Clear();
    PressCtrl(Qt::Key_R);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{5426});
    EXPECT_EQ(Logger().State().recordingState, 1); // nothing was written

    // Plugged in again: the next command reaches it and the mark goes.
    Sim().At(0).ClearFaults();
    m_messages.Clear();
    m_messages.Answer(AnswerCancel); // 207: not now
    PressCtrl(Qt::Key_D);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{207});
    EXPECT_EQ(DeviceItem(0)->text(0), QStringLiteral("Cold-1_A1B200007"));
    EXPECT_EQ(InfoPage()->Value(CBasicAttribute::kState), Msg(127));
    EXPECT_TRUE(m_body->Button(kBtnStop)->isEnabled());
}

TEST_F(DeviceCommandTest, CtrlRStartsWithoutErasingThenStops)
{
    StartLogger();
    Connect();
    EXPECT_EQ(RunText(), Msg(348));
    m_messages.Answer(AnswerCancel);   // 5420, clear the history? No: keep it
    PressCtrl(Qt::Key_R);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{5420});
    EXPECT_EQ(Logger().State().recordingState, 1);
    EXPECT_EQ(Logger().State().clearCount, 0);
    EXPECT_EQ(Logger().StoredFrames(), 50);
    EXPECT_EQ(RunText(), Msg(347));
    EXPECT_TRUE(m_body->Button(kBtnRun)->isHidden());
    EXPECT_FALSE(m_body->Button(kBtnStop)->isHidden());
    EXPECT_FALSE(m_body->ButtonLabel(kBtnStop)->isHidden());
    EXPECT_EQ(InfoPage()->Value(CBasicAttribute::kState), Msg(127));
    // The start time is now; first in first out has no stop time.
    const loggersim::LoggerState started = Logger().State();
    EXPECT_LE(qAbs(FromCivil(started.startTime).secsTo(QDateTime::currentDateTime())), 61);
    EXPECT_TRUE(started.stopTime.IsZero());

    // Run again on a recording logger: nothing happens.
    m_messages.Clear();
    m_body->Route(kBtnRun);
    EXPECT_TRUE(m_messages.Numbers().isEmpty());

    PressCtrl(Qt::Key_R);
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
    EXPECT_EQ(Logger().State().recordingState, 0);
    EXPECT_FALSE(Logger().State().stopTime.IsZero());
    EXPECT_EQ(RunText(), Msg(348));
    EXPECT_FALSE(m_body->Button(kBtnRun)->isHidden());
    EXPECT_TRUE(m_body->Button(kBtnStop)->isHidden());
    EXPECT_EQ(InfoPage()->Value(CBasicAttribute::kState), Msg(128));
    // Stop on a stopped logger: nothing happens.
    m_body->Route(kBtnStop);
    EXPECT_TRUE(m_messages.Numbers().isEmpty());

    const QList<int> types = NoteTypes();
    EXPECT_EQ(types.mid(types.size() - 2), (QList<int>{6, 7}));
    EXPECT_EQ(NoteTexts().last(), Msg(272) + QStringLiteral("Cold-1"));
}

TEST_F(DeviceCommandTest, StartWithErasingAndTheStopWhenFullPrediction)
{
    StartLogger(kRoleAdministrator, [](loggersim::LoggerState& s) { s.stopMode = loggersim::kStopWhenFull; });
    Connect();
    const QDateTime before = QDateTime::currentDateTime();
    m_body->Route(kBtnRun);   // OK to 5420: the history is cleared
    EXPECT_EQ(m_messages.Numbers(), QList<int>{5420});
    const loggersim::LoggerState s = Logger().State();
    EXPECT_EQ(s.clearCount, 1);
    EXPECT_EQ(Logger().StoredFrames(), 0);
    EXPECT_EQ(s.recordingState, 1);
    EXPECT_EQ(s.stopMode, loggersim::kStopWhenFull);
    // Erased, the whole memory of 1000 frames at 90 s is ahead.
    const QDateTime predicted = FromCivil(s.stopTime);
    EXPECT_LE(qAbs(predicted.secsTo(before.addSecs(90 * 1000))), 61) << predicted.toString().toStdString();
    EXPECT_EQ(InfoPage()->Value(CBasicAttribute::kHistory), QStringLiteral("0/1000"));
}

// A start that the logger's modes refuse shows its message and leaves the logger alone.
class RefusedStartTest : public DeviceCommandTest {
protected:
    void Expect(int startMode, int stopMode, bool full, int startOffset, int number, const QString& text)
    {
        StartLogger(kRoleOperator, [&](loggersim::LoggerState& s) {
            s.startMode = startMode;
            s.stopMode = stopMode;
            s.memoryFull = full;
            if (startOffset) {
                s.startTime = Civil(QDateTime::currentDateTime().addSecs(startOffset));
                s.stopTime = Civil(QDateTime::currentDateTime().addSecs(startOffset + 60));
            }
        });
        Connect();
        const loggersim::LoggerState before = Logger().State();
        m_body->Route(kBtnRun);
        EXPECT_EQ(m_messages.Numbers(), QList<int>{number});
        ASSERT_FALSE(m_messages.Requests().isEmpty());
        EXPECT_EQ(m_messages.Requests().at(0).text, text);
        const loggersim::LoggerState after = Logger().State();
        EXPECT_EQ(after.startTime, before.startTime);
        EXPECT_EQ(after.stopTime, before.stopTime);
        EXPECT_EQ(after.clearCount, 0);
        EXPECT_EQ(RunText(), Msg(348));
        EXPECT_FALSE(NoteTypes().contains(6));
    }
};

TEST_F(RefusedStartTest, KeyStart)
{
    Expect(loggersim::kStartKey, loggersim::kStopFifo, false, 0, 230, Msg(230));
}

TEST_F(RefusedStartTest, StopWhenFullWithAFullMemory)
{
    Expect(loggersim::kStartTimed, loggersim::kStopWhenFull, true, 0, 222, MsgF(222, {Msg(257)}));
}

TEST_F(RefusedStartTest, TimedStopAfterItsStart)
{
    Expect(loggersim::kStartTimed, loggersim::kStopTimed, false, -7200, 222, MsgF(222, {Msg(255)}));
}

TEST_F(RefusedStartTest, KeyStopAfterItsStart)
{
    Expect(loggersim::kStartTimed, loggersim::kStopKey, false, -7200, 222, MsgF(222, {Msg(256)}));
}

TEST_F(DeviceCommandTest, TimedStopBeforeItsStartStartsNowAndKeepsTheStop)
{
    const QDateTime stop = QDateTime::currentDateTime().addDays(2);
    StartLogger(kRoleOperator, [&](loggersim::LoggerState& s) {
        s.stopMode = loggersim::kStopTimed;
        s.startTime = Civil(QDateTime::currentDateTime().addDays(1));
        s.stopTime = Civil(stop);
    });
    Connect();
    m_body->Route(kBtnRun);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{5420});
    const loggersim::LoggerState s = Logger().State();
    EXPECT_EQ(s.recordingState, 1);
    EXPECT_EQ(s.stopTime, Civil(stop));
    EXPECT_LE(FromCivil(s.startTime), QDateTime::currentDateTime());
}

TEST_F(DeviceCommandTest, KeyStopCannotBeStoppedHere)
{
    StartLogger(kRoleOperator, [](loggersim::LoggerState& s) {
        s.startMode = loggersim::kStartKey;
        s.stopMode = loggersim::kStopKey;
        s.recordingState = 1;
    });
    Connect();
    EXPECT_FALSE(m_body->Button(kBtnStop)->isHidden());
    m_body->Route(kBtnStop);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{231});
    EXPECT_EQ(Logger().State().recordingState, 1);
    EXPECT_TRUE(Logger().State().stopTime.IsZero());
}

// A logger whose port went away: named with its port and the reason before
// anything is asked, and no command but its disconnect is offered.
TEST_F(DeviceCommandTest, ALoggerWhosePortWentAwayIsNamedBeforeAnythingIsAsked)
{
    StartLogger();
    Connect();
    Sim().Stop();
    m_body->Route(kBtnRun);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{5426});
    EXPECT_EQ(m_messages.Requests().last().text,
              MsgF(5426, {QStringLiteral("3"), QStringLiteral("Cold-1"), Msg(5608)}));
    EXPECT_FALSE(m_body->Button(kBtnRun)->isHidden());
    EXPECT_FALSE(m_body->Button(kBtnRun)->isEnabled());
    EXPECT_EQ(RunText(), Msg(348));
    const QList<int> types = NoteTypes();
    EXPECT_FALSE(types.contains(6));
}

TEST_F(DeviceCommandTest, DownloadAsksFirstWhenRecording)
{
    StartLogger(kRoleOperator, [](loggersim::LoggerState& s) {
        s.startMode = loggersim::kStartKey;
        s.recordingState = 1;
    });
    Connect();
    EXPECT_EQ(m_body->Button(kBtnDownload)->isEnabled(), m_body->Button(kBtnDownloadAll)->isEnabled());
    m_messages.Answer(AnswerCancel);
    m_body->Route(int(MenuCmd::Download));
    EXPECT_EQ(m_messages.Numbers(), QList<int>{207});
    EXPECT_TRUE(m_frame->isEnabled());
    // Without a connected logger the command says so.
    device::DeviceManager().Remove(QString::fromLatin1(kSN));
    m_messages.Clear();
    m_body->Route(kBtnDownload);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{194});
}

TEST_F(DeviceCommandTest, BatchConnectFillsTheTree)
{
    loggersim::LoggerProfile a = devtest::Logger("A1B200011", 2);
    loggersim::LoggerProfile b = devtest::Logger("A1B200012", 1);
    b.state.cardName = "Freezer";
    Start({a, b}, {3, 4});
    Open();
    LogIn(kRoleUser);   // batch connect has no role check
    m_body->Route(kBtnConnectAll);
    EXPECT_EQ(device::DeviceManager().Count(), 2);
    device::CDlgAllNote* note = BatchNote();
    ASSERT_TRUE(note);
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->SuccessText(), QStringLiteral("2"));
    EXPECT_FALSE(m_frame->isEnabled());   // until the result window is dismissed
    note->OnBnClickedOk();
    EXPECT_TRUE(m_frame->isEnabled());
    ASSERT_EQ(m_body->DeviceTree()->topLevelItem(0)->childCount(), 2);
    QStringList items{DeviceItem(0)->text(0), DeviceItem(1)->text(0)};
    items.sort();
    EXPECT_EQ(items, (QStringList{QStringLiteral("Freezer_A1B200012"), QStringLiteral("KMW-HxxT_A1B200011")}));
    EXPECT_EQ(m_body->Button(kBtnConfigAll)->isEnabled(), false);   // batch configure is not here yet
    const QList<int> types = NoteTypes();
    EXPECT_EQ(types.count(4), 2);
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
}

} // namespace
