// Users for tests that log in: a row in the main database of the context in
// force, with the password stored as the program stores it.
#pragma once

#include "AppEnv.h"
#include "OpenDatabase.h"
#include "PasswordHash.h"
#include "Schema.h"
#include "SqlQuote.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace qmtest {

// Adds `name` with `password` and `role`. The password date is now, so the
// login need not change it, unless `latestTime` gives another (empty: the
// password was handed out and must change at the first login).
inline void AddUserRow(const QString& name, const QString& password, int role,
                       std::optional<QString> latestTime = std::nullopt)
{
    // Hashing is slow by design: one hash per password serves the whole run.
    static std::map<QString, QString> hashes;
    QString& hash = hashes[password];
    if (hash.isEmpty())
        hash = qm::store::HashPassword(password);
    auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
    ASSERT_TRUE(db);
    const QString now = qm::store::FormatSampleTime(QDateTime::currentDateTime());
    ASSERT_NE(db->ExeSql(QStringLiteral("insert into userinfo(user_name, user_password, user_type, create_time, "
                                        "update_time, latest_time) values(%1, %2, %3, %4, %4, %5);")
                             .arg(qm::store::SqlQuoted(name), qm::store::SqlQuoted(hash), QString::number(role),
                                  qm::store::SqlQuoted(now), qm::store::SqlQuoted(latestTime.value_or(now)))),
              -1);
}

} // namespace qmtest
