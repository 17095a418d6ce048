#include "SqlQuote.h"

namespace qm::store {

QString SqlText(QStringView value)
{
    QString out;
    out.reserve(value.size() + 2);
    for (QChar c : value) {
        out += c;
        if (c == u'\'')
            out += c;
    }
    return out;
}

QString SqlQuoted(QStringView value)
{
    return u'\'' + SqlText(value) + u'\'';
}

bool IsPlainIdentifier(QStringView name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
        const bool digit = c >= u'0' && c <= u'9';
        if (!letter && !(digit && i > 0))
            return false;
    }
    return true;
}

QString QuoteIdentifier(QStringView name)
{
    QString out = QStringLiteral("\"");
    for (QChar c : name) {
        out += c;
        if (c == u'"')
            out += c;
    }
    out += u'"';
    return out;
}

QString SqlName(QStringView name)
{
    return IsPlainIdentifier(name) ? name.toString() : QuoteIdentifier(name);
}

} // namespace qm::store
