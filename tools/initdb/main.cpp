// Makes the initial main database of a program folder.
//
//   quillmark-initdb [<program folder>]     -> <folder>/database/DATAINFO.db3
//   quillmark-initdb --database <file.db3>
//
// Without an argument the folder of this executable is the program folder.
// An existing database is never touched. Exit status: 0 created or kept, 1 failed.
#include "InitialDatabase.h"
#include "QuillmarkVersion.h"
#include "Schema.h"
#include "StoreSeams.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv)
{
    if (QmPrintVersion(argc, argv, "quillmark-initdb"))
        return 0;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const char* usage = "usage: quillmark-initdb [<program folder>] | --database <file.db3>\n";
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    QString path;
    if (args.size() == 2 && args[0] == QLatin1String("--database")) {
        path = args[1];
    } else if (args.isEmpty() || (args.size() == 1 && !args[0].startsWith(QLatin1Char('-')))) {
        const QString folder = args.isEmpty() ? QCoreApplication::applicationDirPath() : args[0];
        path = qm::store::DatainfoPathIn(QDir(folder).absolutePath());
    } else {
        // An option it does not know is never taken for a folder name.
        std::fputs(usage, stderr);
        return 1;
    }
    const QByteArray shown = QDir::toNativeSeparators(path).toUtf8();
    switch (qm::store::CreateInitialDatainfo(path)) {
    case qm::store::kInitialCreated:
        std::printf("created %s\n", shown.constData());
        return 0;
    case qm::store::kInitialKept:
        return 0;
    case qm::store::kInitialFailed:
        break;
    }
    std::fprintf(stderr, "cannot create %s\n", shown.constData());
    return 1;
}
