// A scratch program folder with the shipped settings, an initial main database
// and records written directly in the stored formats.
#pragma once

#include "InitialDatabase.h"
#include "OpenDatabase.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Startup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace browsetest {

// One history row: time, his_data, his_chan.
struct Row {
    QString time;
    QString data;
    QString chan = QStringLiteral("1;2");
};

// A config row's texts; nullopt leaves the column NULL.
struct Config {
    std::optional<QString> interval = QStringLiteral("0;1;0");
    QString types = QStringLiteral("1;2");
    std::optional<QString> top = QStringLiteral("30.0;80.0");
    std::optional<QString> floor = QStringLiteral("0.0;10.0");
    QString topLimit = QStringLiteral("85;100");
    QString floorLimit = QStringLiteral("-40;0");
};

inline QString Lit(const std::optional<QString>& v) { return v ? qm::store::SqlQuoted(*v) : QStringLiteral("NULL"); }

class RecordFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_EQ(qm::store::CreateInitialProgramFolder(m_dir.path()), qm::store::kInitialCreated);
        ASSERT_TRUE(QDir().mkpath(m_dir.path() + QStringLiteral("/config")));
        QFile::copy(qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/config/channelInfo.ini"),
                    m_dir.path() + QStringLiteral("/config/channelInfo.ini"));
        QFile(m_dir.path() + QStringLiteral("/config/channelInfo.ini"))
            .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        m_context = std::make_unique<qm::CCoreContext>(m_dir.path());
    }
    void TearDown() override { m_context.reset(); }

    QString Folder() const { return m_dir.path(); }

    std::unique_ptr<qm::store::CDBSqlite3> Open(const QString& sn = QString())
    {
        const QString path =
            sn.isEmpty() ? qm::store::DatainfoPathIn(Folder()) : qm::store::LoggerDatabasePath(Folder(), sn);
        auto db = qm::store::OpenDatabase(nullptr, path, 1, 0, 0);
        if (db)
            db->SetReportMode(qm::store::kReportLog);
        return db;
    }

    // A record: history rows, recordtime row and (unless `config` is empty) its config row.
    int AddRecord(const QString& sn, const QString& table, const QList<Row>& rows,
                  const std::optional<Config>& config = Config(), const QString& name = QStringLiteral("rec"),
                  bool imported = false)
    {
        auto logger = Open(sn);
        EXPECT_TRUE(logger);
        qm::store::CreateConfigTable(*logger);
        qm::store::CreateHistoryTable(*logger, table);
        QString sql;
        for (const Row& r : rows)
            sql += qm::store::HistoryInsertSql(table, r.time, r.data, r.chan, 0);
        logger->SetAutoTransaction(1);
        if (!sql.isEmpty()) {
            EXPECT_GE(logger->ExeSql(sql), 0);
        }
        logger->SetAutoTransaction(0);
        auto main = Open();
        EXPECT_GE(
            main->ExeSql(QStringLiteral("insert into recordtime(name, import, SN, time_start, time_end, "
                                        "hisdata_table, devname) values(%1,%2,%3,%4,%5,%6,'dev');")
                             .arg(qm::store::SqlQuoted(name), imported ? QStringLiteral("1") : QStringLiteral("NULL"),
                                  qm::store::SqlQuoted(sn), qm::store::SqlQuoted(rows.value(0).time),
                                  qm::store::SqlQuoted(rows.isEmpty() ? QString() : rows.last().time),
                                  qm::store::SqlQuoted(table))),
            0);
        std::unique_ptr<qm::store::CRecordset> set;
        main->QueryRecordset(QStringLiteral("select max(id) as id from recordtime;"), set);
        const int id = set ? int(set->Integer(u"id")) : 0;
        if (config) {
            AddConfig(sn, id, *config);
        }
        return id;
    }

    void AddConfig(const QString& sn, int recordId, const Config& c)
    {
        auto logger = Open(sn);
        qm::store::CreateConfigTable(*logger);
        EXPECT_GE(logger->ExeSql(QStringLiteral("insert into config(his_recordinterval, way_startup, time_startup, "
                                                "way_stop, time_stop, chan_type, chan_alarm, chan_Top, chan_Floor, "
                                                "chan_topLimit, chan_floorLimit, record_id) values(%1,0,"
                                                "'2024-01-01 00:00',0,'2024-01-02 00:00',%2,'1;1',%3,%4,%5,%6,%7);")
                                     .arg(Lit(c.interval), qm::store::SqlQuoted(c.types), Lit(c.top), Lit(c.floor),
                                          qm::store::SqlQuoted(c.topLimit), qm::store::SqlQuoted(c.floorLimit))
                                     .arg(recordId)),
                  0);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<qm::CCoreContext> m_context;
};

// "2024-03-01 00:MM:SS" for minute m, second s.
inline QString T(int minute, int second = 0)
{
    return QString::asprintf("2024-03-01 %02d:%02d:%02d", minute / 60, minute % 60, second);
}

} // namespace browsetest
