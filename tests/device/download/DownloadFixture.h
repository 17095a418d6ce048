// Loggers with a history on simulated lines, connected into the program's
// registry, and readers of the files a download writes.
#pragma once

#include "DeviceFixture.h"

#include "CConnectProcedure.h"
#include "CDevManager.h"
#include "DownloadRecord.h"
#include "EventLock.h"
#include "OperationLog.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <functional>
#include <thread>

namespace devtest {

inline loggersim::DateTime At(int y, int mo, int d, int h, int mi, int s)
{
    loggersim::DateTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = s;
    return t;
}

inline loggersim::HistoryFrame Frame(const loggersim::DateTime& t, double a, double b = 0.0)
{
    loggersim::HistoryFrame f;
    f.raw = {loggersim::RawFromValue(a), loggersim::RawFromValue(b)};
    f.time = t;
    return f;
}

// A two-channel logger (types 1 and 2) with limits [-10, 30] and [20, 80]
// and `count` generated samples a minute apart from 2024-05-17 08:00:00.
inline loggersim::LoggerProfile HistoryLogger(const std::string& sn, int64_t count, int channels = 2)
{
    loggersim::LoggerProfile p = Logger(sn, channels);
    p.state.channels[0].alarmUpper = 30.0f;
    p.state.channels[0].alarmLower = -10.0f;
    if (channels > 1) {
        p.state.channels[1].alarmUpper = 80.0f;
        p.state.channels[1].alarmLower = 20.0f;
    }
    std::vector<loggersim::ValuePattern> patterns(static_cast<size_t>(channels));
    patterns[0].base = 21.5;
    patterns[0].step = 0.1;
    if (channels > 1)
        patterns[1].base = 48.0;
    p.history = loggersim::CHistory::Generated(At(2024, 5, 17, 8, 0, 0), 60, count, patterns);
    return p;
}

struct Row {
    QString time, data, chan;
    int coll = 0;
};

class DownloadFixture : public DeviceFixture {
protected:
    void SetUp() override
    {
        DeviceFixture::SetUp();
        // Backups inside the scratch folder, never at the machine's mount point.
        ASSERT_EQ(qm::Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"),
                                             Folder() + QStringLiteral("/backup")),
                  1);
    }

    void TearDown() override
    {
        qm::device::DeviceManager().Clear();
        DeviceFixture::TearDown();
    }

    // Connects the logger on COM<com> into the program's registry and makes it current.
    qm::device::DevicePtr Connect(int com)
    {
        qm::device::CConnectProcedure procedure(qm::device::DeviceManager());
        EXPECT_EQ(procedure.EnsureDatabase(), 1);
        QString text;
        qm::device::DevicePtr device;
        EXPECT_EQ(procedure.ConnectOnePort(com, &text, &device), 1) << qPrintable(text);
        if (device)
            qm::device::DeviceManager().SetCurrentSN(device->sn);
        return device;
    }

    static std::unique_ptr<qm::store::CDBSqlite3> Open(const QString& path)
    {
        auto db = qm::store::OpenDatabase(nullptr, path, 0, 0, 0);
        if (db)
            db->SetReportMode(qm::store::kReportSilent);
        return db;
    }

    QString LoggerFile(const QString& sn) const
    {
        return qm::store::LoggerDatabasePath(Folder(), sn);
    }
    QString BackupFile(const QString& sn) const
    {
        return qm::device::CurrentBackupMonthFolder() + u'/' + sn + QStringLiteral(".db3");
    }

    // Rows of `sql` as maps of column -> text; empty when the query fails.
    static std::vector<std::map<QString, QString>> Query(const QString& path, const QString& sql)
    {
        std::vector<std::map<QString, QString>> rows;
        auto db = Open(path);
        std::unique_ptr<qm::store::CRecordset> set;
        if (!db || db->QueryRecordset(sql, set) != 1 || !set)
            return rows;
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext()) {
            std::map<QString, QString> row;
            for (int i = 0; i < set->FieldCount(); ++i)
                row[set->FieldName(i)] = set->Text(i);
            rows.push_back(row);
        }
        return rows;
    }

    static std::vector<Row> History(const QString& path, const QString& table)
    {
        std::vector<Row> rows;
        for (auto& r : Query(path, QStringLiteral("select * from '%1' order by his_time;").arg(table)))
            rows.push_back({r[QStringLiteral("his_time")], r[QStringLiteral("his_data")], r[QStringLiteral("his_chan")], r[QStringLiteral("data_coll")].toInt()});
        return rows;
    }

    // History tables ("h...") of a file.
    static QStringList HistoryTables(const QString& path)
    {
        QStringList names;
        for (auto& r : Query(path, QStringLiteral("select name from sqlite_master where type = 'table' and name like 'h%' "
                                                  "order by name;")))
            names << r[QStringLiteral("name")];
        return names;
    }

    std::vector<std::map<QString, QString>> Records()
    {
        return Query(qm::DatabasePath(), QStringLiteral("select * from recordtime order by id;"));
    }

    static bool WaitFor(const std::function<bool()>& done, int ms = 20000) { return WaitUntil(done, ms); }

    // The lines of the program's text log so far.
    static QStringList TextLog()
    {
        QFile f(qm::OperationLogTextFile());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    static int LogLinesWith(const QString& text)
    {
        int n = 0;
        for (const QString& line : TextLog())
            n += line.contains(text) ? 1 : 0;
        return n;
    }
};

} // namespace devtest
