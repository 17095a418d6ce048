// The device commands' rules and the toolbar state, without a window.
#include "DeviceCommands.h"
#include "DeviceText.h"

#include <gtest/gtest.h>

using namespace qm::device;

namespace {

const QDateTime kNow(QDate(2026, 3, 10), QTime(9, 30, 0));

ConfigInfo Config(int startMode, int stopMode)
{
    ConfigInfo c{};
    c.startMode = startMode;
    c.stopMode = stopMode;
    c.recordInterval.wMinute = 1;
    c.recordInterval.wSecond = 30;
    c.secondInterval.wSecond = 10;
    c.channelCount = 2;
    return c;
}

BasicConfig Basic(int stored, int capacity, int full = 0)
{
    BasicConfig b{};
    b.storedFrames = stored;
    b.frameCapacity = capacity;
    b.memoryFull = full;
    return b;
}

SYSTEMTIME At(const QDateTime& t) { return ToSystemTime(t); }

TEST(StartRules, EachModeCombination)
{
    const BasicConfig room = Basic(10, 100);
    ConfigInfo c = Config(kStartTimed, kStopFifo);
    EXPECT_EQ(CheckStart(c, room, kNow), StartCheck::Allowed);

    c.recordingState = 1;
    EXPECT_EQ(CheckStart(c, room, kNow), StartCheck::AlreadyRecording);

    for (int stop : {kStopFifo, kStopTimed, kStopKey, kStopWhenFull})
        EXPECT_EQ(CheckStart(Config(kStartKey, stop), room, kNow), StartCheck::KeyStart) << stop;

    // A timed or key stop after a start that has passed cannot start again.
    c = Config(kStartTimed, kStopTimed);
    c.startTime = At(kNow.addSecs(-60));
    EXPECT_EQ(CheckStart(c, room, kNow), StartCheck::TimedStopDone);
    c.startTime = At(kNow);
    EXPECT_EQ(CheckStart(c, room, kNow), StartCheck::TimedStopDone);   // "not later than now"
    c.stopMode = kStopKey;
    EXPECT_EQ(CheckStart(c, room, kNow), StartCheck::KeyStopDone);
    c.startTime = At(kNow.addSecs(120));
    EXPECT_EQ(CheckStart(c, room, kNow), StartCheck::Allowed);
    c.startTime = SYSTEMTIME{};   // never started
    EXPECT_EQ(CheckStart(c, room, kNow), StartCheck::Allowed);

    c = Config(kStartTimed, kStopWhenFull);
    EXPECT_EQ(CheckStart(c, room, kNow), StartCheck::Allowed);
    EXPECT_EQ(CheckStart(c, Basic(100, 100, 1), kNow), StartCheck::MemoryFull);
    // A full memory does not matter to the other stop modes.
    EXPECT_EQ(CheckStart(Config(kStartTimed, kStopFifo), Basic(100, 100, 1), kNow), StartCheck::Allowed);

    int name = -1;
    EXPECT_EQ(StartRefusalMessage(StartCheck::KeyStart, &name), 230);
    EXPECT_EQ(name, 0);
    EXPECT_EQ(StartRefusalMessage(StartCheck::TimedStopDone, &name), 222);
    EXPECT_EQ(name, 255);
    EXPECT_EQ(StartRefusalMessage(StartCheck::KeyStopDone, &name), 222);
    EXPECT_EQ(name, 256);
    EXPECT_EQ(StartRefusalMessage(StartCheck::MemoryFull, &name), 222);
    EXPECT_EQ(name, 257);
    EXPECT_EQ(StartRefusalMessage(StartCheck::AlreadyRecording, &name), 0);
}

TEST(StartRules, NewConfigurationPerStopMode)
{
    ConfigInfo c = Config(kStartTimed, kStopTimed);
    c.startTime = At(kNow.addDays(-2));
    c.stopTime = At(kNow.addDays(3));
    ConfigInfo next = BuildStartConfig(c, Basic(10, 100), kNow, false);
    EXPECT_EQ(ConfigTime(next.startTime), kNow);
    EXPECT_EQ(ConfigTime(next.stopTime), kNow.addDays(3));   // timed stop keeps its time
    EXPECT_EQ(next.startMode, kStartTimed);
    EXPECT_EQ(next.stopMode, kStopTimed);
    EXPECT_EQ(next.recordInterval.wMinute, 1);
    EXPECT_EQ(next.recordInterval.wSecond, 30);
    EXPECT_EQ(next.secondInterval.wSecond, 10);

    for (int stop : {kStopFifo, kStopKey}) {
        c.stopMode = stop;
        next = BuildStartConfig(c, Basic(10, 100), kNow, false);
        EXPECT_FALSE(ConfigTime(next.stopTime).isValid()) << stop;
        EXPECT_EQ(next.stopTime.wYear, 0) << stop;
    }

    // Stop when full: the end of the free memory at 90 s a frame.
    c.stopMode = kStopWhenFull;
    next = BuildStartConfig(c, Basic(40, 100), kNow, false);
    EXPECT_EQ(ConfigTime(next.stopTime), kNow.addSecs(90 * 60));
    // Erased first, the whole memory is free again.
    next = BuildStartConfig(c, Basic(40, 100), kNow, true);
    EXPECT_EQ(ConfigTime(next.stopTime), kNow.addSecs(90 * 100));
    // More frames than the capacity (a stale count) never predict the past.
    next = BuildStartConfig(c, Basic(120, 100), kNow, false);
    EXPECT_EQ(ConfigTime(next.stopTime), kNow);
}

TEST(StopRules, ChecksAndNewConfiguration)
{
    ConfigInfo c = Config(kStartTimed, kStopFifo);
    EXPECT_EQ(CheckStop(c), StopCheck::NotRecording);
    c.recordingState = 1;
    EXPECT_EQ(CheckStop(c), StopCheck::Allowed);
    c.stopMode = kStopKey;
    EXPECT_EQ(CheckStop(c), StopCheck::KeyStop);

    c = Config(kStartKey, kStopWhenFull);
    c.recordingState = 1;
    c.startTime = At(kNow.addSecs(-3600));
    const ConfigInfo next = BuildStopConfig(c, kNow);
    EXPECT_EQ(ConfigTime(next.stopTime), kNow);
    EXPECT_EQ(ConfigTime(next.startTime), kNow.addSecs(-3600));
    EXPECT_EQ(next.startMode, kStartKey);
    EXPECT_EQ(next.stopMode, kStopWhenFull);
    EXPECT_EQ(IntervalSeconds(next.recordInterval), 90);
}

TEST(ToolbarRules, PairsTabsAndMenus)
{
    ToolbarInputs in;
    in.tab = ToolbarTab::Devices;
    ToolbarState s = ComputeToolbar(in);
    // No device: connect shown, disconnect hidden; run shown but disabled.
    EXPECT_EQ(s.connect, (ButtonState{true, true}));
    EXPECT_FALSE(s.disconnect.visible);
    EXPECT_EQ(s.run, (ButtonState{true, false}));
    EXPECT_FALSE(s.stop.visible);
    EXPECT_FALSE(s.download.enabled);
    EXPECT_FALSE(s.downloadAll.enabled);
    EXPECT_TRUE(s.menuConnect);
    EXPECT_FALSE(s.menuDownload);
    EXPECT_FALSE(s.menuRunPause);

    in.hasDevice = true;
    in.connectedCount = 1;
    s = ComputeToolbar(in);
    EXPECT_FALSE(s.connect.visible);
    EXPECT_EQ(s.disconnect, (ButtonState{true, true}));
    EXPECT_EQ(s.run, (ButtonState{true, true}));
    EXPECT_FALSE(s.stop.visible);
    EXPECT_TRUE(s.download.enabled);
    EXPECT_TRUE(s.downloadAll.enabled);
    EXPECT_TRUE(s.menuDownload && s.menuRunPause && s.menuConnect);

    in.recording = true;
    s = ComputeToolbar(in);
    EXPECT_FALSE(s.run.visible);
    EXPECT_EQ(s.stop, (ButtonState{true, true}));

    // A data page over the list: the device menu items wait, the buttons do not.
    in.listMode = false;
    s = ComputeToolbar(in);
    EXPECT_FALSE(s.menuDownload || s.menuRunPause || s.menuConnect);
    EXPECT_TRUE(s.stop.enabled);

    // Folder tab: every device button hidden, whatever the devices do.
    in.listMode = true;
    in.tab = ToolbarTab::Folders;
    s = ComputeToolbar(in);
    for (const ButtonState& b : {s.connect, s.disconnect, s.run, s.stop, s.download, s.connectAll, s.configAll,
                                 s.downloadAll})
        EXPECT_FALSE(b.visible);
    EXPECT_FALSE(s.menuConnect || s.menuDownload || s.menuRunPause);
    EXPECT_TRUE(s.save.visible);

    // Without the pipeline nothing offers a download.
    in.tab = ToolbarTab::Devices;
    in.downloadAvailable = false;
    s = ComputeToolbar(in);
    EXPECT_FALSE(s.download.enabled || s.downloadAll.enabled || s.menuDownload);
    // Record commands follow the selection once they exist; batch configure stays off until it does.
    in.recordSelected = true;
    EXPECT_FALSE(ComputeToolbar(in).save.enabled);
    in.recordCommandsAvailable = true;
    s = ComputeToolbar(in);
    EXPECT_TRUE(s.save.enabled && s.print.enabled && s.menuRecord);
    EXPECT_FALSE(s.configAll.enabled);
    in.configAllAvailable = true;
    EXPECT_TRUE(ComputeToolbar(in).configAll.enabled);
    in.connectedCount = 0;
    EXPECT_FALSE(ComputeToolbar(in).configAll.enabled);
}

TEST(SearchCondition, TypedTextStaysAValue)
{
    EXPECT_EQ(DeviceSearchCondition(QString()), QString());
    EXPECT_EQ(DeviceSearchCondition(QStringLiteral("   ")), QString());
    EXPECT_EQ(DeviceSearchCondition(QStringLiteral(" cold room ")),
              QStringLiteral("(devname like '%cold room%' or SN like '%cold room%')"));
    EXPECT_EQ(DeviceSearchCondition(QStringLiteral("x' or 1=1 --")),
              QStringLiteral("(devname like '%x'' or 1=1 --%' or SN like '%x'' or 1=1 --%')"));
    // Placeholder-looking text is not substituted a second time.
    EXPECT_EQ(DeviceSearchCondition(QStringLiteral("%1")), QStringLiteral("(devname like '%%1%' or SN like '%%1%')"));
}

} // namespace
