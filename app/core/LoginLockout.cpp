#include "LoginLockout.h"

#include "AppEnv.h"
#include "DBSqlite3.h"
#include "OperationLog.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Strings.h"

#include <QFile>

namespace qm {
namespace {

// Audit texts (each followed by the tried name in parentheses): a refused
// login is "登录" + "失败", the wait 5217, an attempt during the wait 5218.
enum class Attempt { Other, Refused, Wait, DuringWait };

// The texts of `number` in every language a row may have been written in: the
// language changes between runs, the rows stay.
QStringList TextsInEveryLanguage(const QList<int>& numbers)
{
    QList<QMap<int, QString>> tables{BuiltinStrings()};
    for (const char* module : {kChineseModule, kEnglishModule}) {
        QFile file(LanguageModulePath(QString::fromLatin1(module)));
        if (file.open(QIODevice::ReadOnly))
            tables << ParseStringTable(file.readAll());
    }
    QStringList texts;
    QString current;
    for (int number : numbers)
        current += Msg(number);
    texts << current;
    for (const QMap<int, QString>& table : tables) {
        QString text;
        for (int number : numbers)
            text += table.value(number);
        if (!texts.contains(text))
            texts << text;
    }
    return texts;
}

QString Named(const QString& text, const QString& name) { return text + QStringLiteral("(%1)").arg(name); }

struct AttemptTexts {
    QStringList refused, wait, duringWait;
};

Attempt Classify(const AttemptTexts& texts, const QString& info, const QString& name)
{
    const auto matches = [&](const QStringList& list) {
        for (const QString& text : list)
            if (info == Named(text, name))
                return true;
        return false;
    };
    if (matches(texts.refused))
        return Attempt::Refused;
    if (matches(texts.wait))
        return Attempt::Wait;
    if (matches(texts.duringWait))
        return Attempt::DuringWait;
    return Attempt::Other;
}

struct Run {
    bool read = false;   // the rows could be read
    int refused = 0;     // refusals since the last login or wait
    QDateTime waitStart; // the last wait, when it ended the run
};

// Walks the name's rows from the newest back to the last one that only a
// logged-in user leaves (a login, a password change, any operation) or to
// the last wait.
Run CurrentRun(store::CDBSqlite3& db, const QString& name)
{
    Run run;
    std::unique_ptr<store::CRecordset> set;
    const QString sql = QStringLiteral("select type, handle_time, info from note where user_name = %1 "
                                       "order by handle_time desc, rowid desc;")
                            .arg(store::SqlQuoted(name));
    const int rc = db.QueryRecordset(sql, set);
    if (rc < 0)
        return run;
    run.read = true;
    if (!set)
        return run;
    const AttemptTexts texts{TextsInEveryLanguage({107, 294}), TextsInEveryLanguage({5217}),
                             TextsInEveryLanguage({5218})};
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext()) {
        const Attempt attempt = set->Integer(u"type") == 1 ? Classify(texts, set->Text(u"info"), name) : Attempt::Other;
        switch (attempt) {
        case Attempt::Other: return run;
        case Attempt::Wait: store::ParseSampleTime(set->Text(u"handle_time"), &run.waitStart); return run;
        case Attempt::Refused: ++run.refused; break;
        case Attempt::DuringWait: break;
        }
    }
    return run;
}

} // namespace

int LockedMinutesLeft(store::CDBSqlite3& db, const QString& name, const QDateTime& now)
{
    const Run run = CurrentRun(db, name);
    if (!run.read)
        return -1;
    if (!run.waitStart.isValid())
        return 0;
    const qint64 left = now.secsTo(run.waitStart.addSecs(kLockMinutes * 60));
    if (left <= 0)
        return 0;
    return int((left + 59) / 60);
}

bool RecordRefusedLogin(store::CDBSqlite3& db, const QString& source, const QString& name)
{
    WriteOperationLog(source, Named(Msg(107) + Msg(294), name), 1, name);
    if (CurrentRun(db, name).refused < kFailuresToLock)
        return false;
    WriteOperationLog(source, Named(Msg(5217), name), 1, name);
    return true;
}

void RecordLockedLogin(const QString& source, const QString& name)
{
    WriteOperationLog(source, Named(Msg(5218), name), 1, name);
}

QString LockedMessageText(int minutesLeft)
{
    return MsgF(kMsgLoginLocked, {QString::number(kFailuresToLock), QString::number(minutesLeft)});
}

} // namespace qm
