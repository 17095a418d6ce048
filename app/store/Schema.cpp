#include "Schema.h"
#include "DBOperator.h"
#include "Recordset.h"
#include "SqlQuote.h"

#include <QRegularExpression>
#include <QSet>
#include <vector>

namespace qm::store {
namespace {

struct KindInfo {
    const char* name;       // table name of the kind (null: history / phone data)
    const char* columns;
};

// Indexed by kind code.
const KindInfo kKinds[] = {
    {"Authority", "level, name"},
    {"userinfo", "user_name, user_password, user_type, create_time, update_time"},
    {"devInfo", "SN, mac, devtype, devName, port, baud, chan_type"},
    {"recordtime", "id, name, import, SN, time_start, time_end, hisdata_table, devname"},
    {nullptr, "his_time, his_data, his_chan"},
    {"config", "id, his_recordinterval, way_startup,time_startup, way_stop, time_stop, "
               "chan_type,chan_alarm,chan_Top,chan_Floor,chan_topLimit,chan_floorLimit,record_id"},
    {"note", "user_name, type, handle_time, info"},
    {"fileInfo", "id, floor, parentid, filename"},
    {"filerecord", "record_id, file_id, chan_type"},
    {nullptr, "time, chan1, chan2"},
};
constexpr int kKindCount = int(sizeof(kKinds) / sizeof(kKinds[0]));

bool ValidKind(int kind) { return kind >= 0 && kind < kKindCount; }

// CreateTable takes 8-bit names; keeps the bytes alive for the call.
struct NameArray {
    explicit NameArray(const QStringList& names)
    {
        for (const QString& n : names)
            bytes.push_back(n.toUtf8());
        for (const QByteArray& b : bytes)
            pointers.push_back(b.constData());
    }
    std::vector<QByteArray> bytes;
    std::vector<const char*> pointers;
};

struct ColumnDef {
    const char* name;
    int type;
};

// recordtime as backup copies hold it; DATAINFO's has an automatic id instead of the first column.
const std::vector<ColumnDef> kRecordtimeColumns = {
    {"id", kTypeInteger},         {"name", kTypeText},       {"import", kTypeInteger},
    {"SN", kTypeText},            {"time_start", kTypeText}, {"time_end", kTypeText},
    {"hisdata_table", kTypeText}, {"devname", kTypeText},
};

int CreateWithColumns(CDBOperator& db, const QString& table, const std::vector<ColumnDef>& columns, int autoId,
                      const QStringList& keys = {})
{
    QStringList names;
    std::vector<int> types;
    for (const ColumnDef& c : columns) {
        names << QString::fromLatin1(c.name);
        types.push_back(c.type);
    }
    NameArray n(names);
    NameArray k(keys);
    return db.CreateTable(table, 1, int(names.size()), n.pointers.data(), types.data(), autoId, int(keys.size()),
                          k.pointers.data());
}

bool Created(int rc) { return rc >= 1 && rc != 255; }

} // namespace

// ---- files

QString DatainfoRelativePath() { return QStringLiteral("/database/DATAINFO.db3"); }

QString DatainfoPathIn(const QString& programFolder) { return programFolder + DatainfoRelativePath(); }

QString DatabaseFolderIn(const QString& programFolder) { return programFolder + QStringLiteral("/database"); }

bool IsValidSerialNumber(QStringView sn)
{
    if (sn.isEmpty() || sn.size() > 64)
        return false;
    for (QChar c : sn) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z')))
            return false;
    }
    return true;
}

QString LoggerDatabasePath(const QString& programFolder, const QString& sn)
{
    if (!IsValidSerialNumber(sn))
        return QString();
    return DatabaseFolderIn(programFolder) + u'/' + sn + QStringLiteral(".db3");
}

QString BackupMonthFolder(const QString& backupFolder, int year, int month)
{
    return backupFolder + QString::asprintf("/%d-%02d", year, month);
}

QString BackupLoggerPath(const QString& backupFolder, int year, int month, const QString& sn)
{
    if (!IsValidSerialNumber(sn))
        return QString();
    return BackupMonthFolder(backupFolder, year, month) + u'/' + sn + QStringLiteral(".db3");
}

// ---- kinds

int TableKindOf(const QString& name, const QString& secondName)
{
    for (int kind = 0; kind < kKindCount; ++kind)
        if (kKinds[kind].name && name.compare(QLatin1String(kKinds[kind].name), Qt::CaseInsensitive) == 0)
            return kind;
    return secondName.isEmpty() ? kKindHistory : kKindPhoneData;
}

QString KindColumnText(int kind)
{
    return ValidKind(kind) ? QString::fromLatin1(kKinds[kind].columns) : QString();
}

QStringList KindColumns(int kind)
{
    QStringList out;
    for (const QString& c : KindColumnText(kind).split(u',', Qt::SkipEmptyParts))
        out << c.trimmed();
    return out;
}

QList<int> KindColumnTypes(int kind)
{
    const qsizetype n = KindColumns(kind).size();
    QList<int> types(n, kTypeText);
    auto set = [&](int column, int type) {
        if (column < n)
            types[column] = type;
    };
    if (kind != kKindDevInfo && kind != kKindHistory && kind != kKindPhoneData)
        set(0, kTypeInteger);
    if (kind == kKindFilerecord)
        set(1, kTypeInteger);
    if (kind == kKindDevInfo || kind == kKindConfig || kind == kKindNote || kind == kKindFilerecord)
        set(2, kTypeInteger);
    if (kind == kKindRecordtime)
        set(2, kTypeBoolean);
    if (kind == kKindUserinfo || kind == kKindDevInfo)
        set(3, kTypeInteger);
    if (kind == kKindConfig) {
        set(4, kTypeInteger);
        set(12, kTypeInteger);
    }
    return types;
}

bool KindKeepsIdColumn(int kind)
{
    switch (kind) {
    case kKindUserinfo:
    case kKindRecordtime:
    case kKindConfig:
    case kKindNote:
    case kKindFileInfo:
    case kKindFilerecord:
        return true;
    default:
        return false;
    }
}

int CreateTableByKind(CDBOperator& db, const QString& name, int kind)
{
    const QStringList columns = KindColumns(kind);
    if (columns.isEmpty())
        return 255;
    const QList<int> types = KindColumnTypes(kind);
    NameArray names(columns);
    NameArray key(QStringList{columns.first()});
    return db.CreateTable(name, 1, int(columns.size()), names.pointers.data(), types.constData(), 0, 1,
                          key.pointers.data());
}

// ---- history tables

QString HistoryTableName(const QString& sn, qint64 secondsSince1970)
{
    return QStringLiteral("h%1_%2").arg(sn).arg(secondsSince1970);
}

bool ParseHistoryTableName(QStringView name, QString* sn, qint64* seconds)
{
    static const QRegularExpression pattern(QStringLiteral("^h([A-Za-z0-9]+)_([0-9]{1,18})$"));
    const auto m = pattern.match(name.toString());
    if (!m.hasMatch())
        return false;
    if (sn)
        *sn = m.captured(1);
    if (seconds)
        *seconds = m.captured(2).toLongLong();
    return true;
}

QString NextFreeHistoryTableName(const QList<CDBOperator*>& files, const QString& sn, qint64 secondsSince1970)
{
    // The taken seconds of this logger, from every file at once, so the
    // answer costs one query per file however many seconds are taken.
    QSet<qint64> taken;
    const QString prefix = QStringLiteral("h%1_").arg(sn);
    for (CDBOperator* db : files) {
        if (!db)
            continue;
        struct Seen {
            QString prefix;
            QSet<qint64>* taken;
        } seen{prefix, &taken};
        const auto keep = [](void* arg, int columns, char** values, char**) -> int {
            auto* s = static_cast<Seen*>(arg);
            if (columns < 1 || !values[0])
                return 0;
            const QString name = QString::fromUtf8(values[0]);
            if (!name.startsWith(s->prefix, Qt::CaseInsensitive))
                return 0;
            bool ok = false;
            const qint64 second = name.mid(s->prefix.size()).toLongLong(&ok);
            if (ok)
                s->taken->insert(second);
            return 0;
        };
        if (db->ExeSql(QStringLiteral("select name from sqlite_master where type = 'table';"), keep, &seen) < 0)
            return QString();
    }
    qint64 second = secondsSince1970;
    while (taken.contains(second))
        ++second;
    return HistoryTableName(sn, second);
}

QString CreateFreeHistoryTable(const QList<CDBOperator*>& files, const QString& sn, qint64 secondsSince1970,
                               const std::function<bool(const QString&)>& beforeCreate)
{
    qint64 from = secondsSince1970;
    // Each round either creates the table everywhere or finds a name taken
    // since the lookup (a writer in another thread or process) and moves on.
    for (int round = 0; round < 16; ++round) {
        const QString name = NextFreeHistoryTableName(files, sn, from);
        if (name.isEmpty() || (beforeCreate && !beforeCreate(name)))
            return QString();
        QList<CDBOperator*> created;
        bool refused = false;
        for (CDBOperator* db : files) {
            if (!db)
                continue;
            if (CreateHistoryTable(*db, name) < 0) {
                refused = true;
                break;
            }
            created << db;
        }
        if (!refused)
            return name;
        for (CDBOperator* db : created)
            db->ExeSql(QStringLiteral("drop table %1;").arg(SqlQuoted(name)));
        qint64 second = 0;
        ParseHistoryTableName(name, nullptr, &second);
        // A refusal with the name still free everywhere is the file's fault,
        // not a clash: give up rather than walk on.
        if (NextFreeHistoryTableName(files, sn, second) == name)
            return QString();
        from = second + 1;
    }
    return QString();
}

QString HistoryCreateSql(const QString& table)
{
    return QStringLiteral("CREATE TABLE '%1'([his_time] char PRIMARY KEY, [his_data] char NOT NULL, "
                          "[his_chan] char NOT NULL, [data_coll] int DEFAULT 0)")
        .arg(SqlText(table));
}

QString HistoryInsertSql(const QString& table, const QString& time, const QString& data, const QString& channels,
                         int alarm)
{
    return QStringLiteral("insert or ignore into '%1' values('%2','%3','%4',%5);")
        .arg(SqlText(table), SqlText(time), SqlText(data), SqlText(channels))
        .arg(alarm);
}

int CreateHistoryTable(CDBOperator& db, const QString& table)
{
    return db.ExeSql(HistoryCreateSql(table));
}

// ---- other tables

int CreateConfigTable(CDBOperator& db)
{
    return CreateWithColumns(db, QStringLiteral("config"),
                             {{"his_recordinterval", kTypeText},
                              {"way_startup", kTypeInteger},
                              {"time_startup", kTypeText},
                              {"way_stop", kTypeInteger},
                              {"time_stop", kTypeText},
                              {"chan_type", kTypeText},
                              {"chan_alarm", kTypeText},
                              {"chan_Top", kTypeText},
                              {"chan_Floor", kTypeText},
                              {"chan_topLimit", kTypeText},
                              {"chan_floorLimit", kTypeText},
                              {"record_id", kTypeInteger}},
                             1);
}

int CreateRecordtimeTable(CDBOperator& db)
{
    return CreateWithColumns(db, QStringLiteral("recordtime"), kRecordtimeColumns, 0);
}

int CreateNoteTable(CDBOperator& db)
{
    return CreateWithColumns(db, QStringLiteral("note"),
                             {{"user_name", kTypeText},
                              {"type", kTypeInteger},
                              {"handle_time", kTypeVarText},
                              {"info", kTypeVarText}},
                             1);
}

int CreateDatainfoTables(CDBOperator& db)
{
    // recordtime and fileInfo need AUTOINCREMENT: a merge offsets imported
    // ids by their sqlite_sequence counters.
    const int results[] = {
        CreateTableByKind(db, QStringLiteral("devInfo"), kKindDevInfo),
        CreateWithColumns(db, QStringLiteral("recordtime"),
                          {kRecordtimeColumns.begin() + 1, kRecordtimeColumns.end()}, 1),
        CreateWithColumns(db, QStringLiteral("userinfo"),
                          {{"user_name", kTypeText},
                           {"user_password", kTypeText},
                           {"user_type", kTypeInteger},
                           {"create_time", kTypeText},
                           {"update_time", kTypeText},
                           {"latest_time", kTypeText}},
                          1),
        CreateTableByKind(db, QStringLiteral("Authority"), kKindAuthority),
        CreateNoteTable(db),
        CreateWithColumns(db, QStringLiteral("fileInfo"),
                          {{"floor", kTypeInteger}, {"parentid", kTypeInteger}, {"filename", kTypeText}}, 1),
        CreateWithColumns(db, QStringLiteral("filerecord"),
                          {{"file_id", kTypeInteger}, {"chan_type", kTypeText}, {"record_id", kTypeInteger}}, 1),
    };
    for (int rc : results)
        if (!Created(rc))
            return 0;
    return 1;
}

// ---- value formats

QString FormatSampleTime(int year, int month, int day, int hour, int minute, int second)
{
    return QString::asprintf("%d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
}

QString FormatSampleTime(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime c = t.time();
    return FormatSampleTime(d.year(), d.month(), d.day(), c.hour(), c.minute(), c.second());
}

bool ParseSampleTime(QStringView text, QDateTime* t)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d+)-(\\d+)-(\\d+) +(\\d+):(\\d+):(\\d+)"));
    const auto m = pattern.match(text.toString());
    if (!m.hasMatch())
        return false;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return false;
    *t = QDateTime(date, time);
    return true;
}

QString FormatConfigTime(int year, int month, int day, int hour, int minute)
{
    return QString::asprintf("%04d-%02d-%02d %02d:%02d", year, month, day, hour, minute);
}

QString FormatRecordName(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime c = t.time();
    return QString::asprintf("%d%02d%02d%02d%02d%02d", d.year(), d.month(), d.day(), c.hour(), c.minute(),
                             c.second());
}

QString FormatInterval(int hours, int minutes, int seconds)
{
    return QString::asprintf("%d;%d;%d", hours, minutes, seconds);
}

QString JoinDecimals(const QList<double>& values)
{
    QStringList parts;
    // Qt's formatter, not the C library's: the application object sets the
    // user's locale, and a decimal comma must never reach a stored value.
    for (double v : values)
        parts << QString::asprintf("%.1f", v);
    return parts.join(u';');
}

QString JoinCodes(const QList<int>& codes)
{
    QStringList parts;
    for (int c : codes)
        parts << QString::number(c);
    return parts.join(u';');
}

QStringList SplitChannels(const QString& joined)
{
    return joined.isEmpty() ? QStringList() : joined.split(u';');
}

QString RecordListOrder()
{
    return QStringLiteral("time_end desc, time_start desc, devname collate pinyin, name collate pinyin");
}

} // namespace qm::store
