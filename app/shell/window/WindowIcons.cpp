#include "WindowIcons.h"

#include "ControlIds.h"

#include <QPainter>
#include <QPainterPath>

namespace qm::window {
namespace {

QPixmap Canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPen Stroke(const QColor& color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void DrawArrowDown(QPainter& p, qreal x, qreal top, qreal bottom)
{
    p.drawLine(QPointF(x, top), QPointF(x, bottom));
    p.drawLine(QPointF(x - 6, bottom - 6), QPointF(x, bottom));
    p.drawLine(QPointF(x + 6, bottom - 6), QPointF(x, bottom));
}

void DrawLink(QPainter& p, QPointF a, QPointF b)
{
    // Two rounded links of a chain.
    p.save();
    p.translate((a + b) / 2);
    QLineF axis(a, b);
    p.rotate(-axis.angle());
    const qreal half = axis.length() / 2;
    p.drawRoundedRect(QRectF(-half - 2, -4, half + 4, 8), 4, 4);
    p.drawRoundedRect(QRectF(-2, -4, half + 4, 8), 4, 4);
    p.restore();
}

void DrawGlyph(QPainter& p, int id)
{
    const QColor white(Qt::white);
    p.setPen(Stroke(white, 2.4));
    p.setBrush(Qt::NoBrush);
    switch (id) {
    case kBtnSave:
        p.drawRoundedRect(QRectF(6, 6, 20, 20), 2, 2);
        p.drawRect(QRectF(11, 6, 10, 6));
        p.drawRect(QRectF(10, 17, 12, 9));
        break;
    case kBtnPrint:
        p.drawRect(QRectF(10, 5, 12, 7));
        p.drawRoundedRect(QRectF(5, 12, 22, 10), 2, 2);
        p.drawRect(QRectF(10, 18, 12, 9));
        break;
    case kBtnConnect:
        DrawLink(p, QPointF(7, 25), QPointF(25, 7));
        break;
    case kBtnDisconnect:
        DrawLink(p, QPointF(5, 27), QPointF(14, 18));
        DrawLink(p, QPointF(18, 14), QPointF(27, 5));
        p.drawLine(QPointF(20, 22), QPointF(24, 26));
        p.drawLine(QPointF(8, 10), QPointF(12, 14));
        break;
    case kBtnRun: {
        QPainterPath triangle;
        triangle.moveTo(10, 6);
        triangle.lineTo(26, 16);
        triangle.lineTo(10, 26);
        triangle.closeSubpath();
        p.setBrush(white);
        p.drawPath(triangle);
        break;
    }
    case kBtnStop:
        p.setBrush(white);
        p.drawRoundedRect(QRectF(8, 8, 16, 16), 2, 2);
        break;
    case kBtnDownload:
        DrawArrowDown(p, 16, 4, 20);
        p.drawPolyline(QPolygonF({QPointF(5, 20), QPointF(5, 27), QPointF(27, 27), QPointF(27, 20)}));
        break;
    case kBtnMerge:
        p.drawLine(QPointF(6, 6), QPointF(16, 16));
        p.drawLine(QPointF(6, 26), QPointF(16, 16));
        p.drawLine(QPointF(16, 16), QPointF(27, 16));
        p.drawLine(QPointF(22, 11), QPointF(27, 16));
        p.drawLine(QPointF(22, 21), QPointF(27, 16));
        break;
    case kBtnCompare:
        p.drawLine(QPointF(5, 27), QPointF(27, 27));
        p.setBrush(white);
        p.drawRect(QRectF(8, 14, 4, 12));
        p.drawRect(QRectF(15, 8, 4, 18));
        p.drawRect(QRectF(22, 17, 3, 9));
        break;
    case kBtnConnectAll:
        DrawLink(p, QPointF(4, 17), QPointF(17, 4));
        DrawLink(p, QPointF(15, 28), QPointF(28, 15));
        break;
    case kBtnConfigAll:
        for (int i = 0; i < 3; ++i) {
            const qreal y = 8 + i * 8;
            p.drawLine(QPointF(5, y), QPointF(27, y));
            p.setBrush(white);
            p.drawEllipse(QPointF(i == 1 ? 20 : 11, y), 3, 3);
            p.setBrush(Qt::NoBrush);
        }
        break;
    case kBtnDownloadAll:
        DrawArrowDown(p, 11, 4, 18);
        DrawArrowDown(p, 21, 4, 18);
        p.drawPolyline(QPolygonF({QPointF(4, 20), QPointF(4, 27), QPointF(28, 27), QPointF(28, 20)}));
        break;
    default:
        p.drawEllipse(QRectF(8, 8, 16, 16));
        break;
    }
}

} // namespace

QIcon ToolIcon(int id)
{
    QPixmap pixmap = Canvas(64);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(2, 2);
        DrawGlyph(p, id);
    }
    pixmap.setDevicePixelRatio(2);
    QIcon icon(pixmap);
    // A disabled button keeps its glyph, dimmed on the dark bar.
    QPixmap dim = Canvas(64);
    dim.setDevicePixelRatio(2);
    {
        QPainter p(&dim);
        p.setOpacity(0.35);
        p.drawPixmap(QRectF(0, 0, 32, 32), pixmap, QRectF(0, 0, 64, 64));
    }
    icon.addPixmap(dim, QIcon::Disabled);
    return icon;
}

QIcon TreeIcon(TreeImage image)
{
    QPixmap pixmap = Canvas(32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2);
    switch (image) {
    case TreeImage::Root:
        p.setPen(Stroke(QColor(0x2e, 0x6d, 0xb4), 1.4));
        p.setBrush(QColor(0xd6, 0xe6, 0xf7));
        p.drawRoundedRect(QRectF(2, 4, 12, 9), 1.5, 1.5);
        p.drawLine(QPointF(4, 2.5), QPointF(12, 2.5));
        break;
    case TreeImage::DeviceConnected:
    case TreeImage::DeviceKnown: {
        const bool on = image == TreeImage::DeviceConnected;
        p.setPen(Stroke(on ? QColor(0x1e, 0x7a, 0x3c) : QColor(0x80, 0x80, 0x80), 1.3));
        p.setBrush(on ? QColor(0xe3, 0xf4, 0xe7) : QColor(0xee, 0xee, 0xee));
        p.drawRoundedRect(QRectF(4, 1.5, 8, 13), 2, 2);
        p.setBrush(on ? QColor(0x2e, 0xb8, 0x5c) : QColor(0xb0, 0xb0, 0xb0));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(8, 11), 1.8, 1.8);
        p.drawRect(QRectF(6, 4, 4, 3));
        break;
    }
    case TreeImage::DeviceLost: {
        // The logger's outline in grey, crossed out in red: connected once, out of reach now.
        p.setPen(Stroke(QColor(0x80, 0x80, 0x80), 1.3));
        p.setBrush(QColor(0xee, 0xee, 0xee));
        p.drawRoundedRect(QRectF(4, 1.5, 8, 13), 2, 2);
        p.setPen(Stroke(QColor(0xc6, 0x28, 0x28), 1.8));
        p.drawLine(QPointF(2.5, 3), QPointF(13.5, 13));
        p.drawLine(QPointF(13.5, 3), QPointF(2.5, 13));
        break;
    }
    case TreeImage::Folder: {
        p.setPen(Stroke(QColor(0xb3, 0x7d, 0x12), 1.2));
        p.setBrush(QColor(0xf6, 0xc8, 0x5f));
        QPainterPath folder;
        folder.moveTo(1.5, 4);
        folder.lineTo(6, 4);
        folder.lineTo(7.5, 5.5);
        folder.lineTo(14.5, 5.5);
        folder.lineTo(14.5, 13.5);
        folder.lineTo(1.5, 13.5);
        folder.closeSubpath();
        p.drawPath(folder);
        break;
    }
    }
    p.end();
    pixmap.setDevicePixelRatio(2);
    return QIcon(pixmap);
}

QPixmap LogoPixmap(int size)
{
    QPixmap pixmap = Canvas(size * 2);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size * 2 / 34.0, size * 2 / 34.0);
    // A white tile with a faint edge, so that it also stands out on a light
    // desktop (res/icons/quillmark.svg is the same picture).
    p.setPen(Stroke(QColor(0xb4, 0xc6, 0xdb), 0.8));
    p.setBrush(QColor(0xff, 0xff, 0xff));
    p.drawRoundedRect(QRectF(1, 1, 32, 32), 8, 8);
    // A recorded curve over a grid line: what the program is about.
    p.setPen(Stroke(QColor(0xd0, 0xdc, 0xea), 1.2));
    p.drawLine(QPointF(6, 24), QPointF(28, 24));
    p.drawLine(QPointF(6, 17), QPointF(28, 17));
    p.setPen(Stroke(QColor(0x1f, 0x6f, 0xc5), 2.6));
    QPainterPath curve;
    curve.moveTo(6, 22);
    curve.cubicTo(10, 8, 14, 8, 17, 17);
    curve.cubicTo(20, 26, 24, 24, 28, 10);
    p.drawPath(curve);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0x5d, 0x3b));
    p.drawEllipse(QPointF(28, 10), 2.6, 2.6);
    p.end();
    pixmap.setDevicePixelRatio(2);
    return pixmap;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(LogoPixmap(size));
    return icon;
}

QIcon TabIcon(int id)
{
    switch (id) {
    case kTabDevices:
        return TreeIcon(TreeImage::DeviceConnected);
    case kTabFolders:
        return TreeIcon(TreeImage::Folder);
    default:
        return TreeIcon(TreeImage::Root);
    }
}

} // namespace qm::window
