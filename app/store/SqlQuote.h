#pragma once
// The one way the program puts values and names into SQL text.
// Every text value goes between single quotes with its quotes doubled, so a
// device name like O'Brien or a typed "'; drop table devInfo; --" is stored as
// typed. Table names that come from files (imported databases, backups) are
// checked or quoted before they reach a statement.
#include <QString>
#include <QStringView>

namespace qm::store {

// The value with every single quote doubled, for use between '...'.
QString SqlText(QStringView value);

// The value as a complete SQL text literal: '...' with quotes doubled.
QString SqlQuoted(QStringView value);

// True for names made only of ASCII letters, digits and '_' that do not start
// with a digit: such names read the same quoted or not.
bool IsPlainIdentifier(QStringView name);

// The name in double quotes with embedded double quotes doubled.
QString QuoteIdentifier(QStringView name);

// A plain identifier as it is, anything else quoted: the statements keep their
// usual text for the program's own names and stay safe for foreign ones.
QString SqlName(QStringView name);

} // namespace qm::store
