#pragma once
// How a password is kept in userinfo.user_password: a salted, slow Argon2id
// hash in libsodium's string form ("$argon2id$v=19$m=...,t=...,p=1$salt$hash").
// Anyone who opens the main database (its key ships with the program) must
// not be able to read a password. Databases of older versions and merged
// backups still hold passwords as typed; such a value is recognised, accepted
// once and replaced by the caller (PasswordMatch::kMatchStoreAgain).
#include <QString>

namespace qm::store {

// The stored form of `password`; empty when hashing failed (out of memory).
QString HashPassword(const QString& password);

// True for a value in the stored hash form, false for a password kept as typed.
bool IsPasswordHash(const QString& stored);

enum class PasswordMatch {
    kNoMatch,
    kMatch,
    // Matches, but the stored value is a password as typed or a hash made with
    // weaker settings than today's: the caller stores HashPassword() instead.
    kMatchStoreAgain,
};
// Compares `typed` with the stored value `stored` (a hash or a legacy plain text).
PasswordMatch CheckPassword(const QString& stored, const QString& typed);

// Takes as long as CheckPassword against a hash, for a name that has no user:
// an unknown name must not be told apart from a wrong password by the time
// the answer takes.
void CheckPasswordOfNobody(const QString& typed);

} // namespace qm::store
