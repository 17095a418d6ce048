#include "Fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <mutex>

namespace qm {
namespace {

const char* const kSong = "AR PL UMing CN";
const char* const kHei = "WenQuanYi Micro Hei";

// Faces asked, in order, for a glyph the painter's face draws empty: a sans
// face first, like the Hei face it stands in for, then the Song face.
const char* const kFallbackFaces[] = {"DejaVu Sans", kSong};

struct GlyphCache {
    QMutex lock;
    // face key -> character -> fallback family (empty: the face draws it)
    QHash<QString, QHash<char32_t, QString>> fallbacks;
};

GlyphCache& Cache()
{
    static GlyphCache cache;
    return cache;
}

QString FaceKey(const QFont& font)
{
    return font.families().join(u',') + u'|' + QString::number(font.weight()) + u'|' + QString::number(int(font.style()));
}

// True when the face `font` resolves to maps the character to a glyph with no outline.
bool DrawsEmpty(const QFont& font, char32_t ucs4)
{
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid())
        return false;
    const QString text = QString::fromUcs4(&ucs4, 1);
    const QList<quint32> glyphs = raw.glyphIndexesForString(text);
    // Glyph 0 is "missing": Qt already takes such characters from another face.
    if (glyphs.size() != 1 || glyphs.first() == 0)
        return false;
    return raw.pathForGlyph(glyphs.first()).isEmpty();
}

QString FindFallback(const QFont& font, char32_t ucs4)
{
    if (!DrawsEmpty(font, ucs4))
        return QString();
    for (const char* face : kFallbackFaces) {
        const QString family = QString::fromLatin1(face);
        if (!QFontDatabase::hasFamily(family))
            continue;
        QFont candidate(font);
        candidate.setFamilies({family});
        if (!DrawsEmpty(candidate, ucs4))
            return family;
    }
    return QString();
}

bool NeedsLookup(char32_t c)
{
    // Letters, digits and punctuation of the ASCII range are in every face used here.
    return c >= 0x80 && !QChar::isSpace(c);
}

struct Run {
    qsizetype start;
    qsizetype length;
    QString family;
};

// The stretches of `line` that need another face.
QList<Run> FallbackRuns(const QFont& font, QStringView line)
{
    QList<Run> runs;
    qsizetype i = 0;
    while (i < line.size()) {
        char32_t c = line[i].unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < line.size() && line[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(line[i], line[i + 1]);
            width = 2;
        }
        if (NeedsLookup(c)) {
            const QString family = FallbackFamilyFor(font, c);
            if (!family.isEmpty()) {
                if (!runs.isEmpty() && runs.last().start + runs.last().length == i && runs.last().family == family)
                    runs.last().length += width;
                else
                    runs.append({i, width, family});
            }
        }
        i += width;
    }
    return runs;
}

} // namespace

void RegisterFontSubstitutions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const QString song = QString::fromLatin1(kSong);
        const QString hei = QString::fromLatin1(kHei);
        QFont::insertSubstitution(QStringLiteral("宋体"), song);
        QFont::insertSubstitution(QStringLiteral("SimSun"), song);
        QFont::insertSubstitution(QStringLiteral("微软雅黑"), hei);
        QFont::insertSubstitution(QStringLiteral("Microsoft YaHei"), hei);
    });
}

QString FallbackFamilyFor(const QFont& font, char32_t ucs4)
{
    GlyphCache& cache = Cache();
    const QString key = FaceKey(font);
    {
        QMutexLocker lock(&cache.lock);
        const auto face = cache.fallbacks.constFind(key);
        if (face != cache.fallbacks.constEnd()) {
            const auto hit = face->constFind(ucs4);
            if (hit != face->constEnd())
                return *hit;
        }
    }
    const QString family = FindFallback(font, ucs4);
    QMutexLocker lock(&cache.lock);
    cache.fallbacks[key].insert(ucs4, family);
    return family;
}

void DrawTextWithFallback(QPainter& painter, const QRectF& rect, int flags, const QString& text)
{
    const QFont font = painter.font();
    const QStringList lines = text.split(u'\n');
    QList<QList<Run>> runs;
    bool any = false;
    for (const QString& line : lines) {
        runs.append(FallbackRuns(font, line));
        any = any || !runs.last().isEmpty();
    }
    if (!any) {
        painter.drawText(rect, flags, text);
        return;
    }

    const QFontMetricsF metrics(font, painter.device());
    const qreal lineHeight = metrics.height();
    const qreal total = lineHeight * lines.size();
    qreal y = rect.top();
    if (flags & Qt::AlignBottom)
        y = rect.bottom() - total;
    else if (flags & Qt::AlignVCenter)
        y = rect.top() + (rect.height() - total) / 2;

    for (qsizetype n = 0; n < lines.size(); ++n) {
        QTextLayout layout(lines[n], font, painter.device());
        QList<QTextLayout::FormatRange> formats;
        for (const Run& run : runs[n]) {
            QTextLayout::FormatRange range;
            range.start = int(run.start);
            range.length = int(run.length);
            QFont other(font);
            other.setFamilies({run.family});
            range.format.setFont(other);
            formats.append(range);
        }
        layout.setFormats(formats);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        if (line.isValid())
            line.setLineWidth(1e6);
        layout.endLayout();
        const qreal width = line.isValid() ? line.naturalTextWidth() : 0;
        qreal x = rect.left();
        if (flags & Qt::AlignRight)
            x = rect.right() - width;
        else if (flags & Qt::AlignHCenter)
            x = rect.left() + (rect.width() - width) / 2;
        // The line box of the layout may be taller than the primary face's
        // when the fallback face is; keep the primary baseline.
        const qreal baseline = y + metrics.ascent();
        layout.draw(&painter, QPointF(x, baseline - (line.isValid() ? line.ascent() : 0)));
        y += lineHeight;
    }
}

void DrawTextWithFallback(QPainter& painter, const QPointF& topLeft, const QString& text)
{
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QRectF rect(topLeft, QSizeF(1e6, metrics.height() * (text.count(u'\n') + 1)));
    DrawTextWithFallback(painter, rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

} // namespace qm
