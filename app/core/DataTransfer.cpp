#include "DataTransfer.h"

#include "AppEnv.h"
#include "Ciniwell.h"
#include "ImportSupport.h"
#include "OperationLog.h"
#include "PortableDevice.h"

#include "Clock.h"
#include "MessageSeam.h"
#include "Strings.h"

#include <QDir>
#include <QFileInfo>

namespace qm {
namespace {

constexpr int kLogBackup = 18;
constexpr int kLogManualBackup = 19;
constexpr int kLogBackupImport = 20;
constexpr int kLogRecordImport = 13;

const char* const kDatabaseExtension = "db3";

// A folder typed by hand may carry blanks and a trailing separator.
QString CleanFolder(const QString& folder)
{
    const QString trimmed = folder.trimmed();
    return trimmed.isEmpty() ? QString() : QDir::cleanPath(trimmed);
}

} // namespace

store::BackupResult RunAutomaticBackup(const QString& user, const store::BackupCallbacks& callbacks)
{
    const store::BackupResult result =
        store::AutomaticBackup(DatabaseFolder(), BackupFolder(), qm::Now().date(), callbacks);
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnClose"), store::AutomaticBackupLogText(result), kLogBackup,
                      user);
    return result;
}

bool SaveBackupFolder(const QString& folder, const QString& user)
{
    const QString wanted = CleanFolder(folder);
    if (wanted.isEmpty() || !QDir().mkpath(wanted)) {
        ShowMessageText(110, MsgF(110, {folder}));
        return false;
    }
    const QString before = BackupFolder();
    if (Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"), wanted) != 1) {
        // The settings file could not take it: the old folder stays in force.
        ShowMessage(123);
        return false;
    }
    ShowMessage(183);
    WriteOperationLog(QStringLiteral("CBackupSet::OnBnClickedOk"),
                      Msg(191) + u'(' + before + u')' + Msg(192) + u'(' + wanted + u')', kLogBackup, user);
    return true;
}

bool ConfirmManualBackup(const QString& folder)
{
    const QStringList replaced = store::FilesABackupReplaces(DatabaseFolder(), folder);
    if (replaced.isEmpty())
        return true;
    // One question for the whole copy: the files of one backup belong together,
    // replacing some and keeping others would mix two backups.
    QString text = replaced.first();
    if (replaced.size() > 1)
        text += u'\n' + MsgF(6213, {QString::number(replaced.size() - 1)});
    if (ShowMessageText(167, text + u'\n' + Msg(167), MsgButtons::OkCancel) == AnswerOk)
        return true;
    ShowMessage(247);
    return false;
}

store::BackupResult CopyForManualBackup(const QString& folder, const store::BackupCallbacks& callbacks)
{
    store::BackupCallbacks silent = callbacks;
    silent.askOverwrite = nullptr;
    return store::CopyDatabaseFolder(DatabaseFolder(), folder, silent);
}

void ReportManualBackup(const store::BackupResult& result, const QString& user)
{
    if (result.outcome == store::BackupOutcome::Aborted) {
        ShowMessage(247);
        return;
    }
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnBackupManual"), store::ManualBackupLogText(result),
                      kLogManualBackup, user);
    const int number = store::ManualBackupMessage(result);
    if (number == 123 && !result.failed.isEmpty()) {
        ShowMessageText(123, Msg(123) + u'\n' + result.failed.join(u'\n'));
        return;
    }
    if (number == 123 && result.outcome == store::BackupOutcome::NoFolder) {
        ShowMessageText(110, MsgF(110, {result.folder}));
        return;
    }
    ShowMessage(number);
}

QString BackupImportFilter()
{
    const QString extension = QString::fromLatin1(kDatabaseExtension);
    return MsgF(250, {extension, extension});
}

store::BackupImportResult RunBackupImport(store::CDBSqlite3& datainfo, const QStringList& files,
                                          const std::function<void(int done, int total)>& progress, const QString& user)
{
    const store::BackupImportResult result = store::ImportBackupFiles(datainfo, ProgramFolder(), files, progress);
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnBackupImport"), result.LogText(), kLogBackupImport, user);
    return result;
}

void ReportBackupImport(const store::BackupImportResult& result)
{
    if (result.AllImported())
        ShowMessage(217);
    else
        ShowMessageText(216, result.MessageText());
}

QString PhoneDatabaseCopyPath() { return ProgramFolder() + u'/' + QLatin1String(store::kPhoneDatabaseName); }

bool ReadPhoneDatabase(store::CImportCopy& copy, const QString& path, QList<store::PhoneLogger>* loggers)
{
    loggers->clear();
    if (!copy.Open(path, true))
        return false;
    if (!store::ReadPhoneLoggers(*copy.Db(), loggers)) {
        ShowMessage(123);
        return false;
    }
    return true;
}

store::PhoneImportResult RunPhoneImport(const store::CImportCopy& copy, const QList<store::PhoneLogger>& loggers,
                                        store::PhoneImportCallbacks callbacks, const QString& user)
{
    const auto done = callbacks.loggerDone;
    callbacks.loggerDone = [done, user](const store::PhoneImportItem& item) {
        WriteOperationLog(QStringLiteral("CQuillmarkDlg::ImportSqlite"), store::PhoneImportLogText(item),
                          kLogRecordImport, user);
        if (done)
            done(item);
    };
    return store::RunImportSqlite(copy.CopyPath(), ProgramFolder(), loggers, callbacks);
}

void ReportPhoneImport(const store::PhoneImportResult& result, int asked)
{
    switch (result.MessageNumber(asked)) {
    case 217: ShowMessage(217); break;
    case 216: {
        QStringList failed;
        for (const store::PhoneImportItem& item : result.items)
            if (!item.ok)
                failed << item.sn;
        ShowMessageText(216, failed.isEmpty() ? Msg(216) : Msg(216) + u'\n' + failed.join(u','));
        break;
    }
    default: break;
    }
}

} // namespace qm
