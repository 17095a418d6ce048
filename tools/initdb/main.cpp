// Makes the initial main database of a program folder.
//
//   quillmark-initdb [<program folder>]     -> <folder>/database/DATAINFO.db3
//   quillmark-initdb --database <file.db3>
//
// Without an argument the folder of this executable is the program folder.
// An existing database is never touched. Exit status: 0 created or kept, 1 failed.
#include "InitialDatabase.h"
#include "Schema.h"
#include "StoreSeams.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString path;
    if (args.size() == 2 && args[0] == QLatin1String("--database")) {
        path = args[1];
    } else if (args.size() <= 1) {
        const QString folder = args.isEmpty() ? QCoreApplication::applicationDirPath() : args[0];
        path = qm::store::DatainfoPathIn(QDir(folder).absolutePath());
    } else {
        std::fprintf(stderr, "usage: quillmark-initdb [<program folder>] | --database <file.db3>\n");
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
