#pragma once
// The font names of the original look ("宋体", "微软雅黑") mapped to the faces
// installed here, and text drawing that takes a glyph from another face when
// the stand-in has the character but draws it empty (WenQuanYi Micro Hei maps
// "℃" to a blank glyph, so Qt's own fallback never steps in).
#include <QFont>
#include <QString>

class QPainter;
class QPointF;
class QRectF;

namespace qm {

// Registers the substitutions once per process (later calls do nothing). Call
// it on the user-interface thread before the first text is drawn.
void RegisterFontSubstitutions();

// The face that draws `ucs4` when `font` draws it empty; an empty text when
// `font` draws it itself or no installed face does better.
QString FallbackFamilyFor(const QFont& font, char32_t ucs4);

// QPainter::drawText(rect, flags, text) with the fallback above, for the
// alignment flags (left, right, centre; top, bottom, vertical centre) and "\n"
// line breaks. Safe on render threads.
void DrawTextWithFallback(QPainter& painter, const QRectF& rect, int flags, const QString& text);

// Text whose top-left corner is at `topLeft` (the classic TextOut anchor).
void DrawTextWithFallback(QPainter& painter, const QPointF& topLeft, const QString& text);

} // namespace qm
