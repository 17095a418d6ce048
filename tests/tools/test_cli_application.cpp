// quillmark-cli's application object: drawing commands paint offscreen,
// the others run without any GUI part.
#include "CliApplication.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using qm::cli::MakeCliApplication;

TEST(CliApplication, ADrawingCommandPaintsOffscreenTheOthersHaveNoGui)
{
    qputenv("QT_QPA_PLATFORM", "xcb");   // a display asked for where there may be none
    int argc = 1;
    char name[] = "quillmark-cli";
    char* argv[] = {name, nullptr};
    {
        const auto app = MakeCliApplication(argc, argv, false);
        ASSERT_TRUE(app);
        EXPECT_EQ(qobject_cast<QGuiApplication*>(app.get()), nullptr);
    }
    const auto app = MakeCliApplication(argc, argv, true);
    ASSERT_NE(qobject_cast<QGuiApplication*>(app.get()), nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));

    // Text and lines reach the picture.
    QImage image(80, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setPen(Qt::black);
        painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("温度 20.5"));
    }
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(dark, 20);
}
