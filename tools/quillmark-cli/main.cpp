// quillmark-cli [--folder PROGRAM_FOLDER] [--user NAME] COMMAND [ARGS]
//
// The program's device logic without a window, run as a logged-in user
// (CliLogin.h). The folder defaults to the folder of the executable, or to the
// user's data folder when it is installed. Messages the logic would show go to stderr as
// "<number>: <text>"; questions are answered as CliCommands.h says (nothing is
// destroyed without the flag that asks for it).
#include "CliCommands.h"

#include "AppEnv.h"
#include "CDevManager.h"
#include "CliApplication.h"
#include "CliLogin.h"
#include "DataFolder.h"
#include "MessageSeam.h"
#include "QuillmarkVersion.h"
#include "Startup.h"
#include "Strings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

class StderrMessages : public qm::IMessageHandler {
public:
    int Show(const qm::MessageRequest& r) override
    {
        qm::cli::PrintError(QStringLiteral("%1: %2").arg(r.number).arg(r.text));
        return qm::cli::AnswerFor(r);
    }
};

// `out` is stdout for --help (the text asked for), stderr after a usage error.
void Usage(std::FILE* out = stderr)
{
    QString text = QStringLiteral("usage: quillmark-cli [--folder PROGRAM_FOLDER] [--user NAME] COMMAND\n"
                                  "  --folder F   the program folder (default: the folder of this program;\n"
                                  "               installed: $XDG_DATA_HOME/quillmark, else ~/.local/share/quillmark)\n"
                                  "  --user NAME  the user every command but ports runs as; the password comes\n"
                                  "               from QUILLMARK_PASSWORD, else it is asked on the terminal\n"
                                  "  --version    the program's name and version\n"
                                  "commands:\n");
    for (const qm::cli::CliCommand& c : qm::cli::CliCommandTable()) {
        for (const QString& line : QString::fromUtf8(c.usage).split(u'\n'))
            text += QStringLiteral("  ") + line + u'\n';
    }
    std::fputs(text.toUtf8().constData(), out);
}

// The first start of an installed program seeds its data folder, whichever
// of the window or the cli comes first.
int SeedFolder()
{
    const qm::SeedResult seeded = qm::SeedDataFolder();
    switch (seeded.outcome) {
    case qm::SeedResult::Ready: return qm::cli::kExitOk;
    case qm::SeedResult::NoFolder: qm::ShowMessageText(110, qm::MsgF(110, {seeded.path})); break;
    case qm::SeedResult::CopyFailed: qm::ShowMessageText(5140, qm::MsgF(5140, {seeded.path})); break;
    }
    return qm::cli::kExitFailed;
}

bool AsksForHelp(const QString& arg)
{
    return arg == QLatin1String("--help") || arg == QLatin1String("-h") || arg == QLatin1String("help");
}

} // namespace

int main(int argc, char** argv)
{
    // The command decides which application object it runs under, so the
    // arguments are read before there is one.
    if (QmPrintVersion(argc, argv, "quillmark-cli"))
        return qm::cli::kExitOk;
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QString folder;
    QString user;
    while (!args.isEmpty() && (args.first() == QLatin1String("--folder") || args.first() == QLatin1String("--user"))) {
        if (args.size() < 2 || args.at(1).isEmpty()) {
            Usage();
            return qm::cli::kExitUsage;
        }
        if (args.first() == QLatin1String("--folder"))
            folder = QFileInfo(args.at(1)).absoluteFilePath();
        else
            user = args.at(1);
        args = args.mid(2);
    }
    const qm::cli::CliCommand* command = args.isEmpty() ? nullptr : qm::cli::FindCliCommand(args.first());
    const auto app = qm::cli::MakeCliApplication(argc, argv, command && command->draws);
    // The program's folder: beside this executable, or the user's data folder
    // when it is installed (made and seeded below, as the window does).
    const bool defaultFolder = folder.isEmpty();
    if (defaultFolder)
        folder = qm::ExecutableProgramFolder();
    if (args.isEmpty()) {
        Usage();
        return qm::cli::kExitUsage;
    }
    // Help needs no login: asked for instead of a command, or as --help after one.
    if (AsksForHelp(args.first()) || (command && args.contains(QStringLiteral("--help")))) {
        Usage(stdout);
        return qm::cli::kExitOk;
    }
    if (!command) {
        qm::cli::PrintError(QStringLiteral("quillmark-cli: unknown command \"%1\"").arg(args.first()));
        Usage();
        return qm::cli::kExitUsage;
    }
    if (defaultFolder && qm::RunsInstalled())
        QDir().mkpath(folder);
    if (!QFileInfo(folder).isDir()) {
        qm::cli::PrintError(QStringLiteral("quillmark-cli: no program folder %1").arg(folder));
        return qm::cli::kExitFailed;
    }

    StderrMessages messages;
    qm::SetMessageHandler(&messages);
    int code = qm::cli::kExitFailed;
    {
        const qm::CCoreContext context(folder);
        code = SeedFolder();
        // Messages in the program's language (its setting, else the locale),
        // as the window shows them; machine-read output stays as documented.
        qm::SelectLanguage();
        if (code == qm::cli::kExitOk)
            code = qm::cli::LogInFor(*command, user);
        if (code == qm::cli::kExitOk)
            code = command->run(args.mid(1));
        // Devices close their ports before the core goes.
        qm::device::DeviceManager().Clear();
    }
    qm::SetMessageHandler(nullptr);
    return code;
}
