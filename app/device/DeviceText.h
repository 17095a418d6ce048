#pragma once
// Texts that cross the link to a logger: card names in the 8-bit code page,
// the MAC text, and the logger's clock as local time.
#include "Kelvane.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace qm::device {

// The 8-bit code page of the program's language: "GBK" while the program runs
// in Chinese (CurrentLanguageName() == "QUILLM_CH"), "windows-1252" otherwise.
QByteArray CodePageName();

// Card names cross the link in GBK, whatever the program's language: loggers
// named by earlier installations carry GBK bytes, and a name must read the
// same after a language switch. In English the Latin page takes what GBK has
// no form for.
//
// `text` for the logger. Returns false (and leaves `bytes` empty) when the
// text has no exact form: a character the code page lacks must not turn into
// '?' on the logger.
bool ToCodePage(const QString& text, QByteArray* bytes);
// Bytes from a logger: GBK when they are whole GBK, else (in English) the
// Latin page; a byte sequence neither defines comes back as U+FFFD rather
// than as a guess.
QString FromCodePage(const QByteArray& bytes);
// Byte count of `text` in the code page, -1 when it has no exact form.
int CodePageLength(const QString& text);

// Longest card name a logger keeps, in bytes (five GBK characters or ten Latin letters).
inline constexpr int kCardNameBytes = 10;

// The card name as a user may give it: trimmed, 1 to 10 bytes in the code
// page. Fills `bytes` with those bytes when given.
bool IsValidCardName(const QString& name, QByteArray* bytes = nullptr);

// "%02X:%02X:%02X:%02X:%02X:%02X" of the six elements in order.
QString MacText(const int mac[6]);

// The serial number of a basic record (nine characters, no terminator).
QString SerialOf(const CKelvane::struct_basic_config& basic);

// Local time in the logger clock's layout (Sunday = day 0).
SYSTEMTIME ToSystemTime(const QDateTime& time);

} // namespace qm::device
