// quillmark-icons OUTDIR: the program's icon as PNG files for the desktop's
// icon theme, quillmark-<size>.png at 48, 128 and 256 pixels, drawn by the
// same code as the window icon (the build runs it; not installed).
#include "QuillmarkVersion.h"
#include "WindowIcons.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv)
{
    if (QmPrintVersion(argc, argv, "quillmark-icons"))
        return 0;
    if (argc != 2) {
        std::fputs("usage: quillmark-icons OUTDIR\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "quillmark-icons: cannot make %s\n", argv[1]);
        return 1;
    }
    for (int size : {48, 128, 256}) {
        // LogoPixmap(n) is drawn at twice n pixels for sharp high-density screens.
        const QImage image = qm::window::LogoPixmap(size / 2).toImage();
        const QString file = QStringLiteral("%1/quillmark-%2.png").arg(folder).arg(size);
        if (image.width() != size || !image.save(file, "PNG")) {
            std::fprintf(stderr, "quillmark-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
