// The program context: one object names the folder, the main database and
// the folder the device library and started tools see.
#include "ProgramContext.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>

using namespace qm;

TEST(ProgramContext, WithoutOneTheVariableOrTheExecutablesFolder)
{
    qunsetenv("QUILLMARK_FOLDER");
    EXPECT_FALSE(HasProgramContext());
    EXPECT_EQ(ProgramFolder(), QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath());

    qputenv("QUILLMARK_FOLDER", "/opt/quillmark/");
    EXPECT_EQ(ProgramFolder(), QStringLiteral("/opt/quillmark"));
    EXPECT_EQ(DatabasePath(), QStringLiteral("/opt/quillmark/database/DATAINFO.db3"));
    // The language is a context's: none in force, none set.
    SetCurrentLanguageName(QString::fromLatin1(kEnglishModule));
    EXPECT_EQ(CurrentLanguageName(), QString::fromLatin1(kChineseModule));

    const CProgramContext fromVariable;
    EXPECT_EQ(fromVariable.Folder(), QStringLiteral("/opt/quillmark"));
}

TEST(ProgramContext, NestedContextsAndTheEnvironment)
{
    QTemporaryDir outerDir, innerDir;
    qputenv("QUILLMARK_FOLDER", "/somewhere/else");
    {
        const CProgramContext outer(outerDir.path() + QStringLiteral("/./"));
        EXPECT_TRUE(HasProgramContext());
        EXPECT_EQ(ProgramFolder(), outerDir.path());
        EXPECT_EQ(DatabasePath(), outerDir.path() + QStringLiteral("/database/DATAINFO.db3"));
        // The device library reads the folder from the environment.
        EXPECT_EQ(qEnvironmentVariable("QUILLMARK_FOLDER"), outerDir.path());
        SetCurrentLanguageName(QString::fromLatin1(kEnglishModule));
        {
            const QString main = innerDir.path() + QStringLiteral("/elsewhere.db3");
            const CProgramContext inner(innerDir.path(), main);
            EXPECT_EQ(ProgramFolder(), innerDir.path());
            EXPECT_EQ(DatabasePath(), main);
            EXPECT_EQ(qEnvironmentVariable("QUILLMARK_FOLDER"), innerDir.path());
            EXPECT_EQ(CurrentLanguageName(), QString::fromLatin1(kChineseModule));

            // Worker threads see the context in force.
            QString seen;
            std::thread worker([&] { seen = ProgramFolder(); });
            worker.join();
            EXPECT_EQ(seen, innerDir.path());
        }
        EXPECT_EQ(ProgramFolder(), outerDir.path());
        EXPECT_EQ(qEnvironmentVariable("QUILLMARK_FOLDER"), outerDir.path());
        EXPECT_EQ(CurrentLanguageName(), QString::fromLatin1(kEnglishModule));
    }
    EXPECT_FALSE(HasProgramContext());
    EXPECT_EQ(qEnvironmentVariable("QUILLMARK_FOLDER"), QStringLiteral("/somewhere/else"));

    qunsetenv("QUILLMARK_FOLDER");
    {
        const CProgramContext context(outerDir.path());
    }
    EXPECT_FALSE(qEnvironmentVariableIsSet("QUILLMARK_FOLDER"));
}
