// Saves a picture of a window into $QM_SCREENS when that is set (run under
// xvfb-run for the real look); does nothing otherwise.
#pragma once

#include <QApplication>
#include <QDir>
#include <QWidget>

namespace devtest {

inline void SaveScreen(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("QM_SCREENS");
    if (folder.isEmpty())
        return;
    window.show();
    window.raise();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    QDir().mkpath(folder);
    window.grab().save(folder + u'/' + name + QStringLiteral(".png"));
}

} // namespace devtest
