#pragma once
// The one place that defines what the program stores: the database files, the
// tables by kind with their columns, types and keys, the history table, and
// the text formats of stored values. Download, record browser, merge, backup
// and import all build their tables and values through these functions.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace qm::store {

class CDBOperator;

// ---- files (below the program folder)

QString DatainfoRelativePath();                                        // "/database/DATAINFO.db3"
QString DatainfoPathIn(const QString& programFolder);
QString DatabaseFolderIn(const QString& programFolder);                // "<folder>/database"
// The logger's own file "<folder>/database/<SN>.db3"; empty for a serial
// number that cannot be a file name (see IsValidSerialNumber).
QString LoggerDatabasePath(const QString& programFolder, const QString& sn);
QString BackupMonthFolder(const QString& backupFolder, int year, int month);   // "<backup>/%d-%02d"
QString BackupLoggerPath(const QString& backupFolder, int year, int month, const QString& sn);

// Serial numbers name files and tables: letters and digits only.
bool IsValidSerialNumber(QStringView sn);

// ---- table kinds

enum TableKind {
    kKindAuthority = 0,
    kKindUserinfo = 1,
    kKindDevInfo = 2,
    kKindRecordtime = 3,
    kKindHistory = 4,
    kKindConfig = 5,
    kKindNote = 6,
    kKindFileInfo = 7,
    kKindFilerecord = 8,
    kKindPhoneData = 9,
};

// Kind of a table by name (without regard to case); any other name is a
// history table, or a phone-import data table when `secondName` is given.
int TableKindOf(const QString& name, const QString& secondName = QString());

// The column list of a kind as the copy and repair statements use it.
QString KindColumnText(int kind);
QStringList KindColumns(int kind);
// Type codes of the kind's columns when a table of the kind is recreated.
QList<int> KindColumnTypes(int kind);
// True where the current layout carries an automatic id column beside the
// kind's columns (or as its first): such a table is never a legacy layout.
bool KindKeepsIdColumn(int kind);

// Creates `name` by kind: no automatic id, the first column as the only key.
// Returns CreateTable's result (1 created, row count when present, 255 error).
int CreateTableByKind(CDBOperator& db, const QString& name, int kind);

// ---- the history table of a record

QString HistoryTableName(const QString& sn, qint64 secondsSince1970);  // "h%s_%d"
// The name of a new record's history table: HistoryTableName(sn, s) for the
// first second s from `secondsSince1970` on whose name no table of any file in
// `files` has yet (table names compare without regard to case). Two downloads
// or imports of one logger within a second thereby get distinct tables. Empty
// when a file cannot be read.
QString NextFreeHistoryTableName(const QList<CDBOperator*>& files, const QString& sn, qint64 secondsSince1970);
// Creates a new record's history table under one free name in every file of
// `files` (the logger file and its backup copy); a name taken meanwhile by
// another writer moves on to the next free second. Returns the name, or an
// empty text when a file refuses the table; then no file keeps it.
// `beforeCreate`, when given, is told each name before any file creates it
// and may refuse it (false: nothing is created, the result is empty).
QString CreateFreeHistoryTable(const QList<CDBOperator*>& files, const QString& sn, qint64 secondsSince1970,
                               const std::function<bool(const QString&)>& beforeCreate = {});
// True for "h<SN>_<digits>"; fills the parts when asked.
bool ParseHistoryTableName(QStringView name, QString* sn = nullptr, qint64* seconds = nullptr);
QString HistoryCreateSql(const QString& table);
// "insert or ignore into '%s' values('%s','%s','%s',%d);": a later sample
// with the same time stamp is ignored.
QString HistoryInsertSql(const QString& table, const QString& time, const QString& data, const QString& channels,
                         int alarm);
int CreateHistoryTable(CDBOperator& db, const QString& table);         // ExeSql result

// ---- the other tables the program creates

int CreateConfigTable(CDBOperator& db);      // auto-id; in each logger file
int CreateRecordtimeTable(CDBOperator& db);  // backup copies: no id, no key
int CreateNoteTable(CDBOperator& db);        // auto-id; DATAINFO

// Every table of a new DATAINFO (devInfo keyed on SN; recordtime, fileInfo,
// filerecord, userinfo with automatic ids; Authority; note). Existing tables
// are left alone. Returns 1 when all are there.
int CreateDatainfoTables(CDBOperator& db);

// ---- stored value formats

QString FormatSampleTime(const QDateTime& t);                          // "%d-%02d-%02d %02d:%02d:%02d"
QString FormatSampleTime(int year, int month, int day, int hour, int minute, int second);
bool ParseSampleTime(QStringView text, QDateTime* t);
QString FormatConfigTime(int year, int month, int day, int hour, int minute);  // "%04d-%02d-%02d %02d:%02d"
QString FormatRecordName(const QDateTime& t);                          // fourteen digits, year to second
QString FormatInterval(int hours, int minutes, int seconds);           // "%d;%d;%d"
QString JoinDecimals(const QList<double>& values);                     // "%.1f" joined with ";"
QString JoinCodes(const QList<int>& codes);                            // "%d" joined with ";"
QStringList SplitChannels(const QString& joined);

// "time_end desc, time_start desc, devname collate pinyin, name collate pinyin"
QString RecordListOrder();

} // namespace qm::store
