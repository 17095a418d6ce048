#pragma once
// The application object a command runs under. A command that draws (a PDF,
// an image) needs fonts and a paint engine, hence a QGuiApplication, but no
// screen: it gets one on the offscreen platform, so it runs the same on a
// server without a display. Every other command gets a QCoreApplication.
// Never widgets.
#include <QCoreApplication>

#include <memory>

namespace qm::cli {

std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv, bool draws);

} // namespace qm::cli
