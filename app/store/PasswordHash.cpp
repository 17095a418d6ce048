#include "PasswordHash.h"

#include <sodium.h>

#include <algorithm>

#include <QByteArray>

namespace qm::store {
namespace {

// libsodium's "interactive" settings: about a tenth of a second and 64 MiB for
// one check on this class of machine, so a stolen file costs an attacker as
// much per guess while a login stays instant.
constexpr unsigned long long kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr size_t kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

bool Ready()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

} // namespace

QString HashPassword(const QString& password)
{
    if (!Ready())
        return QString();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES] = {};
    if (crypto_pwhash_str(out, utf8.constData(), static_cast<unsigned long long>(utf8.size()), kOpsLimit, kMemLimit)
        != 0)
        return QString();
    return QString::fromLatin1(out);
}

bool IsPasswordHash(const QString& stored)
{
    // libsodium verifies both Argon2 variants it has ever written.
    return stored.startsWith(QLatin1String("$argon2id$")) || stored.startsWith(QLatin1String("$argon2i$"));
}

PasswordMatch CheckPassword(const QString& stored, const QString& typed)
{
    if (!IsPasswordHash(stored)) {
        // A password kept as typed: only an exact, non-empty match counts.
        if (stored.isEmpty() || stored != typed)
            return PasswordMatch::kNoMatch;
        return PasswordMatch::kMatchStoreAgain;
    }
    if (!Ready())
        return PasswordMatch::kNoMatch;
    const QByteArray hash = stored.toLatin1();
    const QByteArray utf8 = typed.toUtf8();
    if (hash.size() >= crypto_pwhash_STRBYTES)
        return PasswordMatch::kNoMatch;
    char buffer[crypto_pwhash_STRBYTES] = {};
    std::copy(hash.begin(), hash.end(), buffer);
    if (crypto_pwhash_str_verify(buffer, utf8.constData(), static_cast<unsigned long long>(utf8.size())) != 0)
        return PasswordMatch::kNoMatch;
    return crypto_pwhash_str_needs_rehash(buffer, kOpsLimit, kMemLimit) == 0 ? PasswordMatch::kMatch
                                                                             : PasswordMatch::kMatchStoreAgain;
}

void CheckPasswordOfNobody(const QString& typed)
{
    static const QString nobody = HashPassword(QStringLiteral("nobody has this password"));
    (void)CheckPassword(nobody, typed);
}

} // namespace qm::store
