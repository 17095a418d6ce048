#include "Strings.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>

// Resource initialisation must be named at global scope.
static void InitStringResources() { Q_INIT_RESOURCE(qm_strings); }

namespace qm {
namespace {

QMutex g_tableLock;
QMap<int, QString> g_module;
bool g_moduleLoaded = false;

QString Unescape(QStringView s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\\' && i + 1 < s.size()) {
            const QChar n = s[++i];
            switch (n.unicode()) {
            case 'r': out += u'\r'; break;
            case 'n': out += u'\n'; break;
            case 't': out += u'\t'; break;
            case '\\': out += u'\\'; break;
            default: out += u'\\'; out += n; break;
            }
        } else {
            out += c;
        }
    }
    return out;
}

const QRegularExpression& PlaceholderPattern()
{
    static const QRegularExpression placeholder(QStringLiteral("%(\\d*)(\\.\\d+)?(l?[sdfuxX]|%)"));
    return placeholder;
}

} // namespace

QMap<int, QString> ParseStringTable(const QByteArray& utf8)
{
    QMap<int, QString> table;
    QString text = QString::fromUtf8(utf8);
    if (text.startsWith(QChar(0xFEFF)))   // a table saved by a Windows editor
        text.remove(0, 1);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        const int number = line.left(tab).toInt(&ok);
        if (!ok)
            continue;
        table.insert(number, Unescape(line.mid(tab + 1)));
    }
    return table;
}

const QMap<int, QString>& BuiltinStrings()
{
    static const QMap<int, QString> table = [] {
        InitStringResources();
        QFile f(QStringLiteral(":/qm/strings/zh.tsv"));
        if (!f.open(QIODevice::ReadOnly))
            return QMap<int, QString>();
        return ParseStringTable(f.readAll());
    }();
    return table;
}

QString Msg(int number)
{
    {
        QMutexLocker lock(&g_tableLock);
        if (g_moduleLoaded) {
            auto it = g_module.constFind(number);
            if (it != g_module.constEnd())
                return *it;
        }
    }
    return BuiltinStrings().value(number);
}

QStringList Placeholders(const QString& text)
{
    QStringList found;
    auto it = PlaceholderPattern().globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.captured(3) != QStringLiteral("%"))
            found << m.captured(0);
    }
    return found;
}

QString MsgF(int number, const QStringList& args)
{
    const QRegularExpression& placeholder = PlaceholderPattern();
    const QString format = Msg(number);
    QString out;
    qsizetype last = 0;
    int next = 0;
    auto it = placeholder.globalMatch(format);
    while (it.hasNext()) {
        const auto m = it.next();
        out += QStringView(format).mid(last, m.capturedStart() - last);
        if (m.captured(3) == QStringLiteral("%"))
            out += u'%';
        else if (next < args.size())
            out += args.at(next++);
        last = m.capturedEnd();
    }
    out += QStringView(format).mid(last);
    return out;
}

bool LoadLanguageModule(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QMap<int, QString> table = ParseStringTable(f.readAll());
    if (table.isEmpty())
        return false;
    QMutexLocker lock(&g_tableLock);
    g_module = std::move(table);
    g_moduleLoaded = true;
    return true;
}

void UseBuiltinStrings()
{
    QMutexLocker lock(&g_tableLock);
    g_module.clear();
    g_moduleLoaded = false;
}

bool LanguageModuleLoaded()
{
    QMutexLocker lock(&g_tableLock);
    return g_moduleLoaded;
}

QString JoinWords(const QString& first, const QString& second)
{
    if (first.isEmpty() || second.isEmpty() || first.back().isSpace() || second.front().isSpace())
        return first + second;
    return MsgF(5073, {first, second});
}

QString TitleText(const QString& menuText)
{
    QString text = menuText.left(menuText.indexOf(u'\t') < 0 ? menuText.size() : menuText.indexOf(u'\t'));
    static const QRegularExpression bracketed(QStringLiteral("\\(&[^)]\\)"));
    text.remove(bracketed);
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&') {
            if (i + 1 < text.size() && text.at(i + 1) == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += text.at(i);
    }
    out = out.trimmed();
    if (out.endsWith(QStringLiteral("...")))
        out.chop(3);
    else if (out.endsWith(QChar(0x2026)))
        out.chop(1);
    return out.trimmed();
}

} // namespace qm
