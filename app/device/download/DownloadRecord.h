#pragma once
// What the single and the batch download share: the text of one sample, the
// files of a record (the logger's own database and its month backup copy),
// registering a finished record and discarding an unfinished one.
//
// A record is one history table "h<SN>_<seconds>" in both files, one
// recordtime row in the main database (and the same row with the same id in
// the backup copy) and one config row in both files.
#include "CLinkParent.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace qm::store {
class CDBOperator;
class CDBSqlite3;
class CEventLock;
class CRecordFileLock;
} // namespace qm::store

namespace qm::device {

class CDevice;

// Channels a sample carries at most (the library's record has room for two).
inline constexpr int kSampleChannels = 2;

// One sample as it is stored.
struct SampleText {
    QString time;      // "%d-%02d-%02d %02d:%02d:%02d"
    QString data;      // "%.1f" per value joined with ";"
    QString channels;  // channel type per value joined with ";"
    int alarm = 0;     // 1 when a value lies strictly outside its channel's limits
};

// Builds the stored form of `sample` with the logger's channel records.
// False (nothing filled) when the sample's time is no valid date and time.
bool FormatSample(const HistoryData& sample, const ChannelConfig* channels, int channelCount, SampleText* out);
// "insert or ignore into '<table>' values(...);" of a formatted sample.
QString SampleInsertSql(const QString& table, const SampleText& sample);
// The time of a sample as text, also when it is not valid (for the log line).
QString RawSampleTime(const HistoryData& sample);

// The "insert into config ..." statement of a record: the configuration read
// when the logger was connected and its channel records. The batch's text
// has a blank between the tabs and "values", the single download's has none.
// `table` names the config table (with a schema name when attached).
QString ConfigInsertSql(const ConfigInfo& config, const ChannelConfig* channels, int channelCount, int recordId,
                        bool batchText, const QString& table = QStringLiteral("config"));

// Why a download ended without a record: a string-table entry told after
// message 200 (a single download) or after line 220 (a batch).
struct FailReason {
    int number = 0;      // 0: no reason known
    QStringList args;    // its placeholders
};
// The reason for a failure of the link (CLinkParent::GetLastFailure); the
// counts tell a download that ended short.
FailReason LinkFailReason(int linkFailure, qint64 received = 0, qint64 expected = 0);
// Fewer samples than the logger announced.
FailReason MissingSamplesReason(qint64 received, qint64 expected);
// The samples or the record could not be written.
FailReason DatabaseReason();
// `text` (message 200, line 220) with the reason after it.
QString FailureText(const QString& text, const FailReason& why);
QString FailureLine(const QString& line, const FailReason& why);

// The month folder "<backup>/%d-%02d" of now below the backup folder in force.
QString CurrentBackupMonthFolder();

// The two files of one record and its history table.
struct RecordFiles {
    RecordFiles();
    ~RecordFiles();
    RecordFiles(RecordFiles&&) noexcept;
    RecordFiles& operator=(RecordFiles&&) noexcept;

    QString sn;
    QString table;
    QString loggerPath;
    QString backupPath;
    std::unique_ptr<qm::store::CDBSqlite3> logger;
    std::unique_ptr<qm::store::CDBSqlite3> backup;
    bool tableCreated = false;   // the history table was created in at least one file
    // Held from before the history table is made until Close: a repair in
    // any process leaves the files of a running download alone.
    std::unique_ptr<qm::store::CRecordFileLock> loggerLock;
    std::unique_ptr<qm::store::CRecordFileLock> backupLock;

    // Closes both files (the objects stay) and gives up the locks; the
    // record is registered or its table dropped by then.
    void Close();
};

// Where OpenRecordFiles failed, and the message the caller shows for it.
enum class FilesResult {
    Ok,
    LoggerOpenFailed,   // 185 with the logger database's path
    BackupOpenFailed,   // 185 with the backup copy's path
    TablesFailed,       // config / recordtime could not be created: 260
    HistoryFailed,      // the history table could not be created
};

// Opens (creating when missing) the logger database and the backup copy in
// `monthFolder`, makes sure config exists in both and recordtime in the copy,
// removes what interrupted downloads left in them (DownloadRepair.h, logged
// with `source`), locks both for writing, and creates the history table named
// after `sn` and `startSeconds` in both (the next free second when a table of
// that second exists already). A history table created before a later
// failure is dropped again. `showMessages` lets the store show its own boxes
// (invalid database).
FilesResult OpenRecordFiles(const QString& sn, const QString& monthFolder, qint64 startSeconds, bool showMessages,
                            RecordFiles* files, const QString& source = QStringLiteral("OpenRecordFiles"));

// The record's description for FinishDownload.
struct RecordInfo {
    QString name;        // record name as stored
    QString sn;
    QString devname;     // the logger's name at download time
    ConfigInfo config{};
    ChannelConfig channels[kSampleChannels]{};
    int channelCount = 0;
    bool batchText = false;
    qint64 samples = -1;   // sample statements written (-1: not counted)
    QString source;        // of the text-log line on repeated time stamps
};

// Registers the record whose samples are in `files.table`: recordtime row in
// `datainfo`, the same row with its id in the backup copy, the config row in
// both files. Returns the record id, or 0 on failure. The rows of all three
// files are written in one transaction (both record files attached to the
// main database's connection), so a failure or a crash at any moment leaves
// either the whole record or none of it (the history tables are the caller's
// to keep or discard). When `record.samples` counts more samples than the
// table holds, the repeated time stamps are written to the text log. The
// caller holds the lock the form asks for.
int FinishDownload(qm::store::CDBOperator& datainfo, RecordFiles& files, const RecordInfo& record);
// Tests: called inside the registration's transaction, just before its
// commit (where a test kills the process). Empty: none.
void SetBeforeCommitHook(std::function<void()> hook);

// Drops the history table from both files where it exists.
void DiscardDownload(RecordFiles& files);

} // namespace qm::device
