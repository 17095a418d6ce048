// The stored form of passwords.
#include "PasswordHash.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>
#include <sodium.h>

#include <algorithm>
#include <functional>
#include <limits>

using namespace qm::store;

TEST(PasswordHash, HashesAreSaltedAndCheckOnlyTheirPassword)
{
    const QString a = HashPassword(QStringLiteral("Quillmark1"));
    const QString b = HashPassword(QStringLiteral("Quillmark1"));
    ASSERT_TRUE(IsPasswordHash(a));
    EXPECT_TRUE(a.startsWith(QStringLiteral("$argon2id$")));
    EXPECT_NE(a, b);   // a salt of its own
    EXPECT_FALSE(a.contains(QStringLiteral("Quillmark1")));
    EXPECT_EQ(CheckPassword(a, QStringLiteral("Quillmark1")), PasswordMatch::kMatch);
    EXPECT_EQ(CheckPassword(b, QStringLiteral("Quillmark1")), PasswordMatch::kMatch);
    EXPECT_EQ(CheckPassword(a, QStringLiteral("quillmark1")), PasswordMatch::kNoMatch);
    EXPECT_EQ(CheckPassword(a, QString()), PasswordMatch::kNoMatch);
    EXPECT_EQ(CheckPassword(a, a), PasswordMatch::kNoMatch);

    // Characters beyond ASCII are passwords too.
    const QString chinese = HashPassword(QStringLiteral("密码密码12"));
    EXPECT_EQ(CheckPassword(chinese, QStringLiteral("密码密码12")), PasswordMatch::kMatch);
    EXPECT_EQ(CheckPassword(chinese, QStringLiteral("密码密码13")), PasswordMatch::kNoMatch);
}

TEST(PasswordHash, APasswordAsTypedMatchesOnlyExactlyAndAsksToBeStoredAgain)
{
    EXPECT_FALSE(IsPasswordHash(QStringLiteral("731640")));
    EXPECT_EQ(CheckPassword(QStringLiteral("731640"), QStringLiteral("731640")), PasswordMatch::kMatchStoreAgain);
    EXPECT_EQ(CheckPassword(QStringLiteral("731640"), QStringLiteral("731640 ")), PasswordMatch::kNoMatch);
    EXPECT_EQ(CheckPassword(QString(), QString()), PasswordMatch::kNoMatch);   // an empty column is no password
    // A damaged hash matches nothing, not even its own text.
    QString broken = HashPassword(QStringLiteral("abcdefgh"));
    broken.chop(4);
    EXPECT_EQ(CheckPassword(broken, QStringLiteral("abcdefgh")), PasswordMatch::kNoMatch);
    EXPECT_EQ(CheckPassword(broken, broken), PasswordMatch::kNoMatch);
    EXPECT_EQ(CheckPassword(QStringLiteral("$argon2id$") + QString(200, u'x'), QStringLiteral("x")),
              PasswordMatch::kNoMatch);
}

// A hash made with lighter settings than today's (an older version of the
// program) is accepted and asked to be stored again.
TEST(PasswordHash, AWeakerHashIsStoredAgain)
{
    ASSERT_GE(sodium_init(), 0);
    char weak[crypto_pwhash_STRBYTES] = {};
    ASSERT_EQ(crypto_pwhash_str(weak, "abcdefgh", 8, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN), 0);
    EXPECT_EQ(CheckPassword(QString::fromLatin1(weak), QStringLiteral("abcdefgh")), PasswordMatch::kMatchStoreAgain);
    EXPECT_EQ(CheckPassword(QString::fromLatin1(weak), QStringLiteral("abcdefgi")), PasswordMatch::kNoMatch);
}

// An unknown name costs the same slow check as a wrong password, so the time
// of a refusal does not tell which names exist. (Lenient bound: the check is
// about a tenth of a second; a machine under load stretches both alike.)
TEST(PasswordHash, AnUnknownNameTakesAsLongAsAWrongPassword)
{
    const QString stored = HashPassword(QStringLiteral("Quillmark1"));
    CheckPasswordOfNobody(QStringLiteral("warm-up"));
    const auto fastest = [](const std::function<void()>& f) {
        qint64 best = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer t;
            t.start();
            f();
            best = std::min(best, t.nsecsElapsed());
        }
        return best;
    };
    const qint64 wrong = fastest([&] { (void)CheckPassword(stored, QStringLiteral("wrong one")); });
    const qint64 nobody = fastest([] { CheckPasswordOfNobody(QStringLiteral("wrong one")); });
    EXPECT_GT(nobody, wrong / 3);
}
