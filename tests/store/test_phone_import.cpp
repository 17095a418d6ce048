// Loggers from the phone app's database, and the phones that hold it.
#include "DBSqlite3.h"
#include "ImportSupport.h"
#include "PhoneImport.h"
#include "PortableDevice.h"
#include "Schema.h"
#include "StoreIoFixture.h"
#include "StoreSeams.h"

#include "Clock.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

using namespace qm::store;
using storetest::PhoneLoggerData;
using storetest::Station;

namespace {

const QDateTime kNow(QDate(2024, 5, 6), QTime(7, 8, 9));

PhoneLoggerData TwoChannelLogger()
{
    return {1, QStringLiteral("KVR000001"), 5, QStringLiteral("冷库"), QStringLiteral("data_1"),
            {{1, QStringLiteral("30.5"), QStringLiteral("-10.0")}, {2, QStringLiteral("80.0"), QStringLiteral("20.0")}},
            {QStringLiteral("2024-1-2 3:04:05|5.5|60.0"), QStringLiteral("2024-01-02 03:05:05|6.0|"),
             QStringLiteral("not a time|1|1"), QStringLiteral("2024-01-02 03:03:05|4.5|61.5")}};
}

PhoneLoggerData EmptyLogger()
{
    return {2, QStringLiteral("KVR000002"), 6, QStringLiteral("empty"), QStringLiteral("data_2"),
            {{1, QStringLiteral("30"), QStringLiteral("0")}}, {}};
}

class PhoneImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramLogWriter([this](const QString& source, const QString& line) { log << source + u'|' + line; });
    }
    void TearDown() override { SetProgramLogWriter({}); }

    // The phone database is written, then opened the way the import opens it.
    QList<PhoneLogger> Open(const QList<PhoneLoggerData>& phoneLoggers)
    {
        phoneFile = scratch.File(QStringLiteral("kvr.db"));
        storetest::WritePhoneDatabase(phoneFile, phoneLoggers);
        phoneBytes = storetest::FileBytes(phoneFile);
        EXPECT_TRUE(phone.Open(phoneFile, true));
        QList<PhoneLogger> loggers;
        EXPECT_TRUE(ReadPhoneLoggers(*phone.Db(), &loggers));
        return loggers;
    }

    PhoneImportResult Import(const QList<PhoneLogger>& loggers, const std::atomic<bool>* cancel = nullptr)
    {
        PhoneImportCallbacks callbacks;
        callbacks.progress = [this](int value) { progress << value; };
        callbacks.loggerDone = [this](const PhoneImportItem& item) { logText << PhoneImportLogText(item); };
        callbacks.cancel = cancel;
        return ImportSqlite(phone.CopyPath(), into.Path(), loggers, callbacks);
    }

    Station into;
    storetest::ScratchFolder scratch;
    CImportCopy phone;
    QString phoneFile;
    QByteArray phoneBytes;
    QList<int> progress;
    QStringList logText;
    QStringList log;
    qm::ScopedClock clock{kNow};
};

} // namespace

TEST(PhoneLoggers, DeviceTypesMapToTheProgramsCodes)
{
    EXPECT_EQ(PhoneDeviceType(4), 4);
    EXPECT_EQ(PhoneDeviceType(5), 1);
    EXPECT_EQ(PhoneDeviceType(6), 2);
    EXPECT_EQ(PhoneDeviceType(1), 0);
    EXPECT_EQ(PhoneDeviceType(7), 0);
}

TEST_F(PhoneImportTest, EachLoggerIsOneEntryWithItsChannelsJoined)
{
    PhoneLoggerData upper = TwoChannelLogger();
    // The same logger again with its serial number in lower case, and a logger
    // that sorts between the two cases.
    PhoneLoggerData lower = upper;
    lower.id = 3;
    lower.sn = upper.sn.toLower();
    lower.table = QStringLiteral("data_3");
    PhoneLoggerData between = EmptyLogger();
    between.sn = QStringLiteral("MID000001");
    const QList<PhoneLogger> loggers = Open({upper, lower, between});

    ASSERT_EQ(loggers.size(), 2);
    const PhoneLogger& e = loggers[0];
    EXPECT_EQ(e.sn, upper.sn);
    EXPECT_EQ(e.dataTable, QStringLiteral("data_1"));
    EXPECT_EQ(e.TreeText(), QStringLiteral("冷库_KVR000001"));
    EXPECT_EQ(e.channelTypes, QStringLiteral("1;2"));
    EXPECT_EQ(e.upperLimits, QStringLiteral("30.5;80.0"));
    EXPECT_EQ(e.lowerLimits, QStringLiteral("-10.0;20.0"));
    EXPECT_EQ(e.channels, 2);
    EXPECT_EQ(e.channelCount, 2);
    EXPECT_EQ(e.sampleCount, 4);
    EXPECT_EQ(e.deviceType, 1);
    EXPECT_EQ(e.mac, QStringLiteral("AA:BB"));
    EXPECT_EQ(loggers[1].sn, QStringLiteral("MID000001"));
}

TEST_F(PhoneImportTest, ALoggerBecomesARecordOfItsOwn)
{
    const QList<PhoneLogger> loggers = Open({TwoChannelLogger(), EmptyLogger()});
    const PhoneImportResult result = Import(loggers);
    ASSERT_TRUE(result.AllImported()) << log.join(u'\n').toStdString();
    EXPECT_EQ(result.MessageNumber(2), 217);

    const QString table = HistoryTableName(QStringLiteral("KVR000001"), kNow.toSecsSinceEpoch());
    EXPECT_EQ(into.Rows(QStringLiteral("select his_time, his_data, his_chan from %1 order by his_time;").arg(table),
                        QStringLiteral("KVR000001")),
              QStringList({QStringLiteral("2024-01-02 03:03:05|4.5;61.5|1;2"),
                           QStringLiteral("2024-01-02 03:04:05|5.5;60.0|1;2"),
                           QStringLiteral("2024-01-02 03:05:05|6.0;-|1;2")}));
    EXPECT_EQ(into.Rows(QStringLiteral("select id, name, SN, time_start, time_end, hisdata_table, import, devname "
                                       "from recordtime where SN = 'KVR000001';")),
              QStringList({QStringLiteral("1|20240506070809|KVR000001|2024-01-02 03:03:05|2024-01-02 03:05:05|%1|1|冷库")
                               .arg(table)}));
    EXPECT_EQ(into.Rows(QStringLiteral("select SN, devtype, devName, chan_type, mac from devInfo order by SN;")),
              QStringList({QStringLiteral("KVR000001|1|冷库|1;2|AA:BB"), QStringLiteral("KVR000002|2|empty|1|AA:BB")}));
    EXPECT_EQ(into.Rows(QStringLiteral("select chan_type, chan_Top, chan_Floor, chan_topLimit, chan_floorLimit, "
                                       "record_id from config;"),
                        QStringLiteral("KVR000001")),
              QStringList({QStringLiteral("1;2|||30.5;80.0|-10.0;20.0|1")}));

    // A logger without samples still has its (empty) table and a record without times.
    EXPECT_EQ(into.Rows(QStringLiteral("select time_start, time_end from recordtime where SN = 'KVR000002';")),
              QStringList({QStringLiteral("|")}));
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from %1;")
                             .arg(HistoryTableName(QStringLiteral("KVR000002"), kNow.toSecsSinceEpoch())),
                         QStringLiteral("KVR000002")),
              0);

    EXPECT_EQ(progress.last(), 2 * kPhoneImportSteps);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(logText.value(0), qm::Msg(278) + qm::Msg(295) + QStringLiteral("(KVR000001:%1)").arg(table));
    // The phone's file is as the phone wrote it.
    EXPECT_EQ(storetest::FileBytes(phoneFile), phoneBytes);
    EXPECT_TRUE(storetest::HasPlainHeader(phoneFile));
}

TEST_F(PhoneImportTest, ImportedTwiceTheSecondIsANewRecordOfTheSameLogger)
{
    const QList<PhoneLogger> loggers = Open({TwoChannelLogger()});
    ASSERT_TRUE(Import(loggers).AllImported());
    // Still the same second: the second table needs a name of its own.
    ASSERT_TRUE(Import(loggers).AllImported()) << log.join(u'\n').toStdString();
    const qint64 now = kNow.toSecsSinceEpoch();
    EXPECT_EQ(into.Rows(QStringLiteral("select id, hisdata_table from recordtime order by id;")),
              QStringList({QStringLiteral("1|%1").arg(HistoryTableName(QStringLiteral("KVR000001"), now)),
                           QStringLiteral("2|%1").arg(HistoryTableName(QStringLiteral("KVR000001"), now + 1))}));
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from devInfo;")), 1);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from %1;")
                             .arg(HistoryTableName(QStringLiteral("KVR000001"), now + 1)),
                         QStringLiteral("KVR000001")),
              3);
}

TEST_F(PhoneImportTest, ASecondSampleWithTheSameTimeIsLeftOutNotFatal)
{
    PhoneLoggerData twice = TwoChannelLogger();
    twice.rows = {QStringLiteral("2024-01-02 03:04:05|1.0|2.0"), QStringLiteral("2024-01-02 03:04:05|1.0|2.0"),
                  QStringLiteral("2024-01-02 03:05:05|3.0|4.0")};
    ASSERT_TRUE(Import(Open({twice})).AllImported()) << log.join(u'\n').toStdString();
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from %1;")
                             .arg(HistoryTableName(QStringLiteral("KVR000001"), kNow.toSecsSinceEpoch())),
                         QStringLiteral("KVR000001")),
              2);
}

TEST_F(PhoneImportTest, CancelKeepsTheLoggersAlreadyImported)
{
    const QList<PhoneLogger> loggers = Open({TwoChannelLogger(), EmptyLogger()});
    std::atomic<bool> cancel{false};
    PhoneImportCallbacks callbacks;
    callbacks.loggerDone = [&](const PhoneImportItem&) { cancel = true; };
    callbacks.cancel = &cancel;
    const PhoneImportResult result = ImportSqlite(phone.CopyPath(), into.Path(), loggers, callbacks);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.items.size(), 1);
    EXPECT_EQ(result.MessageNumber(2), 0);
    EXPECT_EQ(into.Rows(QStringLiteral("select SN from recordtime;")), QStringList({QStringLiteral("KVR000001")}));
    EXPECT_FALSE(QFile::exists(into.Logger(QStringLiteral("KVR000002"))));
}

TEST_F(PhoneImportTest, ALoggerCutShortByCancelLeavesNothing)
{
    // Enough samples for several batches; cancel is asked for before the first batch is done.
    PhoneLoggerData big = TwoChannelLogger();
    big.rows.clear();
    for (int i = 0; i < 12000; ++i)
        big.rows << QStringLiteral("2024-02-01 %1:%2:%3|1.5|2.5")
                        .arg(i / 3600, 2, 10, QLatin1Char('0'))
                        .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                        .arg(i % 60, 2, 10, QLatin1Char('0'));
    const QList<PhoneLogger> loggers = Open({big});
    std::atomic<bool> cancel{false};
    PhoneImportCallbacks callbacks;
    callbacks.progress = [&](int value) {
        if (value == 3)
            cancel = true;
    };
    callbacks.cancel = &cancel;
    const PhoneImportResult result = ImportSqlite(phone.CopyPath(), into.Path(), loggers, callbacks);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from recordtime;")), 0);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from sqlite_master where name like 'h%';"),
                         QStringLiteral("KVR000001")),
              0);

    // Without the cancel, every sample arrives across the batches.
    cancel = false;
    callbacks.progress = {};
    ASSERT_TRUE(ImportSqlite(phone.CopyPath(), into.Path(), loggers, callbacks).AllImported());
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from %1;")
                             .arg(into.Rows(QStringLiteral("select hisdata_table from recordtime;")).value(0)),
                         QStringLiteral("KVR000001")),
              12000);
}

TEST_F(PhoneImportTest, HostileNamesFailTheirLoggerAndHarmNothing)
{
    PhoneLoggerData badTable = TwoChannelLogger();
    badTable.table = QStringLiteral("x; drop table recordtime");
    PhoneLoggerData badSn = EmptyLogger();
    badSn.sn = QStringLiteral("../../etc");
    PhoneLoggerData good = EmptyLogger();
    good.id = 3;
    good.sn = QStringLiteral("KVR000003");
    good.table = QStringLiteral("data_3");
    into.AddRecord(QStringLiteral("SN0000001"), QStringLiteral("hSN0000001_1700000000"),
                   {{QStringLiteral("2024-01-01 00:00:00"), QStringLiteral("1.0")}});
    // The hostile data table exists under its name, so only quoting keeps it a name.
    const QList<PhoneLogger> loggers = Open({badTable, badSn, good});
    ASSERT_EQ(loggers.size(), 3);

    const PhoneImportResult result = Import(loggers);
    EXPECT_EQ(result.MessageNumber(3), 216);
    int imported = 0;
    for (const PhoneImportItem& item : result.items)
        imported += item.ok ? 1 : 0;
    // The data table's name was only ever a name: its logger imports.
    EXPECT_EQ(imported, 2);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from recordtime;")), 3);
    EXPECT_FALSE(QDir(into.Path() + QStringLiteral("/database/../../etc.db3")).exists());
    EXPECT_EQ(logText.size(), 3);
    EXPECT_TRUE(logText.contains(qm::Msg(278) + qm::Msg(294)));
}

TEST_F(PhoneImportTest, AMissingDataTableFailsOnlyItsLogger)
{
    PhoneLoggerData missing = TwoChannelLogger();
    const QList<PhoneLogger> loggers = Open({missing, EmptyLogger()});
    QList<PhoneLogger> bent = loggers;
    bent[0].dataTable = QStringLiteral("no_such_table");
    const PhoneImportResult result = Import(bent);
    ASSERT_EQ(result.items.size(), 2);
    EXPECT_FALSE(result.items[0].ok);
    EXPECT_TRUE(result.items[1].ok);
    EXPECT_EQ(result.MessageNumber(2), 216);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from sqlite_master where name like 'h%';"),
                         QStringLiteral("KVR000001")),
              0);
}

TEST_F(PhoneImportTest, OnAWorkerThreadTheResultIsTheSame)
{
    const QList<PhoneLogger> loggers = Open({TwoChannelLogger()});
    std::thread::id worker;
    PhoneImportCallbacks callbacks;
    callbacks.loggerDone = [&](const PhoneImportItem&) { worker = std::this_thread::get_id(); };
    const PhoneImportResult result = RunImportSqlite(phone.CopyPath(), into.Path(), loggers, callbacks);
    EXPECT_TRUE(result.AllImported());
    EXPECT_TRUE(worker != std::this_thread::get_id());
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from recordtime;")), 1);
}

TEST(FolderPhones, ListAndCopyTheAppsDatabase)
{
    QTemporaryDir phones;
    QDir(phones.path()).mkpath(QStringLiteral("Pixel 7/OrvoKVRDataBase"));
    QDir(phones.path()).mkpath(QStringLiteral("Tablet"));
    QDir(phones.path()).mkpath(QStringLiteral("bad:name"));
    storetest::WriteFile(phones.filePath(QStringLiteral("Pixel 7/OrvoKVRDataBase/kvr.db")), "phone bytes");
    auto devices = MakeFolderPhones(phones.path());

    int error = -1;
    const QList<PortableDeviceEntry> entries = ParseDeviceList(devices->ListDevices(&error));
    EXPECT_EQ(error, 0);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].id, QStringLiteral("Pixel 7"));
    EXPECT_EQ(entries[0].name, QStringLiteral("Pixel 7"));

    storetest::ScratchFolder program;
    storetest::WriteFile(program.File(QStringLiteral("kvr.db")), "old copy");
    EXPECT_EQ(CopyPhoneDatabase(*devices, entries[0].id, program.Path()), 0);
    EXPECT_EQ(storetest::ReadFile(program.File(QStringLiteral("kvr.db"))), QByteArray("phone bytes"));

    // A phone without the app's folder, a phone that went away, no phones at all.
    EXPECT_NE(CopyPhoneDatabase(*devices, QStringLiteral("Tablet"), program.Path()), 0);
    EXPECT_EQ(devices->LastErrorText(), qm::MsgF(6209, {QStringLiteral("OrvoKVRDataBase/kvr.db")}));
    EXPECT_NE(CopyPhoneDatabase(*devices, QStringLiteral("../Pixel 7"), program.Path()), 0);
    EXPECT_EQ(devices->LastErrorText(), qm::MsgF(6208, {QStringLiteral("../Pixel 7")}));
    EXPECT_EQ(storetest::ReadFile(program.File(QStringLiteral("kvr.db"))), QByteArray("phone bytes"));
    auto none = MakeFolderPhones(phones.filePath(QStringLiteral("missing")));
    EXPECT_TRUE(none->ListDevices(&error).isEmpty());
    EXPECT_NE(error, 0);
    EXPECT_FALSE(none->LastErrorText().isEmpty());
}

TEST(FolderPhones, TheEnvironmentChoosesTheFolder)
{
    QTemporaryDir phones;
    QDir(phones.path()).mkpath(QStringLiteral("One"));
    qputenv("QUILLMARK_PHONE_DIR", phones.path().toUtf8());
    int error = -1;
    const QString list = OpenPortableDevices()->ListDevices(&error);
    qunsetenv("QUILLMARK_PHONE_DIR");
    EXPECT_EQ(list, QStringLiteral("One:One"));
}

TEST(MtpDevices, ListingOnAMachineWithoutPhonesAnswers)
{
    // Whatever USB this machine has: an answer, and a text when it is an error.
    auto devices = MakeMtpDevices();
    int error = -1;
    devices->ListDevices(&error);
    if (error != 0) {
        EXPECT_FALSE(devices->LastErrorText().isEmpty());
        return;
    }
    EXPECT_EQ(CopyPhoneDatabase(*devices, QStringLiteral("no-such-device"), QDir::tempPath()), 1);
    EXPECT_EQ(devices->LastErrorText(), qm::MsgF(6208, {QStringLiteral("no-such-device")}));
}
