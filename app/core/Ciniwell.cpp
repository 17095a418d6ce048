#include "Ciniwell.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

#include <sys/stat.h>

namespace {

enum class LineKind { Other, Section, Key };

// One line of the file as read; `text` is written back unchanged unless the
// line is the key being written.
struct Line {
    QString text;
    LineKind kind = LineKind::Other;
    QString name;    // section or key name, trimmed
    QString value;   // key lines: the trimmed value
};

// What identifies the file on disk, to notice a file replaced by someone else
// (an atomic rewrite gives a new inode, an in-place edit a new time or size).
struct Stamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtimeSeconds = 0;
    long long mtimeNanoseconds = 0;
    bool operator==(const Stamp& o) const = default;
};

Stamp StampOf(const QString& path)
{
    Stamp s;
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeSeconds = st.st_mtim.tv_sec;
    s.mtimeNanoseconds = st.st_mtim.tv_nsec;
    return s;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

Line ParseLine(const QString& text)
{
    Line line;
    line.text = text;
    const QString t = text.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#'))
        return line;
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close > 0) {
            line.kind = LineKind::Section;
            line.name = t.mid(1, close - 1).trimmed();
        }
        return line;
    }
    const qsizetype eq = t.indexOf(u'=');
    if (eq > 0) {
        line.name = t.left(eq).trimmed();
        if (!line.name.isEmpty()) {
            line.kind = LineKind::Key;
            line.value = t.mid(eq + 1).trimmed();
        }
    }
    return line;
}

bool HasLineBreak(const QString& s)
{
    return s.contains(u'\n') || s.contains(u'\r');
}

bool ValidSection(const QString& s)
{
    const QString t = s.trimmed();
    return !t.isEmpty() && !HasLineBreak(s) && !t.contains(u'[') && !t.contains(u']');
}

bool ValidKey(const QString& k)
{
    const QString t = k.trimmed();
    return !t.isEmpty() && !HasLineBreak(k) && !t.contains(u'=') && !t.startsWith(u'[')
        && !t.startsWith(u';') && !t.startsWith(u'#');
}

} // namespace

struct Ciniwell::Impl {
    mutable std::mutex lock;
    QString path;
    mutable std::vector<Line> lines;
    mutable bool bom = false;
    mutable bool crlf = false;
    mutable std::optional<Stamp> loaded;   // what `lines` was read from

    // Re-reads the file when it changed on disk since it was last read or written.
    void Refresh() const
    {
        const Stamp now = StampOf(path);
        if (loaded && *loaded == now)
            return;
        lines.clear();
        bom = false;
        crlf = false;
        loaded = now;
        if (!now.exists)
            return;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            loaded.reset();   // try again next time rather than trust an empty view
            return;
        }
        QByteArray bytes = f.readAll();
        if (bytes.startsWith("\xEF\xBB\xBF")) {
            bom = true;
            bytes.remove(0, 3);
        }
        crlf = bytes.contains("\r\n");
        QString text = QString::fromUtf8(bytes);
        if (text.endsWith(u'\n'))
            text.chop(1);
        if (text.isEmpty() && bytes.isEmpty())
            return;
        for (QString& l : text.split(u'\n')) {
            if (l.endsWith(u'\r'))
                l.chop(1);
            lines.push_back(ParseLine(l));
        }
    }

    // Index of the header of the first section named `section`, or -1.
    qsizetype FindSection(const QString& section) const
    {
        const QString name = section.trimmed();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].kind == LineKind::Section && SameName(lines[i].name, name))
                return qsizetype(i);
        return -1;
    }

    // One past the last line of the section whose header is at `header`.
    size_t SectionEnd(qsizetype header) const
    {
        size_t i = size_t(header) + 1;
        while (i < lines.size() && lines[i].kind != LineKind::Section)
            ++i;
        return i;
    }

    const Line* Find(const QString& section, const QString& key) const
    {
        const qsizetype header = FindSection(section);
        if (header < 0)
            return nullptr;
        const QString name = key.trimmed();
        const size_t end = SectionEnd(header);
        for (size_t i = size_t(header) + 1; i < end; ++i)
            if (lines[i].kind == LineKind::Key && SameName(lines[i].name, name))
                return &lines[i];
        return nullptr;
    }

    bool Save() const
    {
        QByteArray out;
        if (bom)
            out += "\xEF\xBB\xBF";
        const QByteArray eol = crlf ? "\r\n" : "\n";
        for (const Line& l : lines) {
            out += l.text.toUtf8();
            out += eol;
        }
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size() || !f.commit())
            return false;
        loaded = StampOf(path);
        return true;
    }

    // Puts `value` under section/key in `lines`; false when nothing had to change.
    bool Apply(const QString& section, const QString& key, const QString& value)
    {
        const QString keyName = key.trimmed();
        qsizetype header = FindSection(section);
        if (header < 0) {
            if (!lines.empty() && !lines.back().text.trimmed().isEmpty())
                lines.push_back(ParseLine(QString()));
            lines.push_back(ParseLine(QLatin1Char('[') + section.trimmed() + QLatin1Char(']')));
            lines.push_back(ParseLine(keyName + QLatin1Char('=') + value));
            return true;
        }
        const size_t end = SectionEnd(header);
        size_t insertAt = size_t(header) + 1;
        // Comment lines right under a header describe the section: new keys go below them.
        while (insertAt < end && lines[insertAt].kind == LineKind::Other
               && !lines[insertAt].text.trimmed().isEmpty())
            ++insertAt;
        for (size_t i = size_t(header) + 1; i < end; ++i) {
            Line& l = lines[i];
            if (l.kind != LineKind::Key)
                continue;
            if (SameName(l.name, keyName)) {
                if (l.value == value.trimmed())
                    return false;
                // Keep the line's own spelling and spacing up to the value.
                qsizetype cut = l.text.indexOf(u'=') + 1;
                while (cut < l.text.size() && l.text[cut].isSpace())
                    ++cut;
                l = ParseLine(l.text.left(cut) + value);
                return true;
            }
            insertAt = i + 1;
        }
        lines.insert(lines.begin() + qsizetype(insertAt), ParseLine(keyName + QLatin1Char('=') + value));
        return true;
    }
};

Ciniwell::Ciniwell(int /*option*/) : d(std::make_unique<Impl>()) {}

Ciniwell::~Ciniwell() = default;

int Ciniwell::SetPath(const QString& path)
{
    std::lock_guard guard(d->lock);
    d->path = path;
    d->loaded.reset();
    d->Refresh();
    return d->loaded && d->loaded->exists ? 1 : 0;
}

QString Ciniwell::Path() const
{
    std::lock_guard guard(d->lock);
    return d->path;
}

QString Ciniwell::GetIniStr(const QString& section, const QString& key, const QString& defaultValue,
                            int flag) const
{
    std::lock_guard guard(d->lock);
    d->Refresh();
    const Line* l = d->Find(section, key);
    if (!l || (flag != 0 && l->value.isEmpty()))
        return defaultValue;
    return l->value;
}

long Ciniwell::GetIniInt(const QString& section, const QString& key, long defaultValue, int /*flag*/,
                         long high, long low) const
{
    const QString text = GetIniStr(section, key, QString(), 0);
    qsizetype n = 0;
    if (n < text.size() && (text[n] == u'-' || text[n] == u'+'))
        ++n;
    const qsizetype digitsFrom = n;
    while (n < text.size() && text[n] >= u'0' && text[n] <= u'9')
        ++n;
    if (n == digitsFrom)
        return defaultValue;
    bool ok = false;
    long value = QStringView(text).left(n).toLong(&ok);
    if (!ok)
        return defaultValue;
    if (high == -1 && low == -1)
        return value;
    if (high < low)
        std::swap(high, low);
    return std::clamp(value, low, high);
}

int Ciniwell::WriteIniStr(const QString& section, const QString& key, const QString& value)
{
    if (!ValidSection(section) || !ValidKey(key) || HasLineBreak(value))
        return 0;
    std::lock_guard guard(d->lock);
    if (d->path.isEmpty())
        return 0;
    d->Refresh();
    const std::vector<Line> before = d->lines;
    if (!d->Apply(section, key, value))
        return 1;   // already stored: the file is left alone
    if (d->Save())
        return 1;
    d->lines = before;
    return 0;
}

int Ciniwell::WriteIniInit(const QString& section, const QString& key, long value)
{
    return WriteIniStr(section, key, QString::number(value));
}

QStringList Ciniwell::Sections() const
{
    std::lock_guard guard(d->lock);
    d->Refresh();
    QStringList names;
    for (const Line& l : d->lines)
        if (l.kind == LineKind::Section && !names.contains(l.name, Qt::CaseInsensitive))
            names << l.name;
    return names;
}

QStringList Ciniwell::Keys(const QString& section) const
{
    std::lock_guard guard(d->lock);
    d->Refresh();
    QStringList names;
    const qsizetype header = d->FindSection(section);
    if (header < 0)
        return names;
    const size_t end = d->SectionEnd(header);
    for (size_t i = size_t(header) + 1; i < end; ++i)
        if (d->lines[i].kind == LineKind::Key && !names.contains(d->lines[i].name, Qt::CaseInsensitive))
            names << d->lines[i].name;
    return names;
}
