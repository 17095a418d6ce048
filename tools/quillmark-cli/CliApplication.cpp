#include "CliApplication.h"

#include <QGuiApplication>

namespace qm::cli {

std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv, bool draws)
{
    if (!draws)
        return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace qm::cli
