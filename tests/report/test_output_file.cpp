// Text files in their encodings, the save-path question, and writes that
// fail without touching the file that was there.
#include "AppEnv.h"
#include "Ciniwell.h"
#include "InitialDatabase.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "OutputFile.h"
#include "Startup.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qm;
using namespace qm::report;

namespace {

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(store::CreateInitialProgramFolder(m_folder.path()), store::kInitialCreated);
        ASSERT_TRUE(QDir(m_folder.path()).mkpath(QStringLiteral("config")));
        m_context = std::make_unique<CCoreContext>(m_folder.path());
    }
    void TearDown() override
    {
        ReleaseOperationLog();
        m_context.reset();
    }
    QString File(const QString& name) const { return m_folder.filePath(name); }
    QString TextLog()
    {
        QFile f(OperationLogTextFile());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir m_folder;
    std::unique_ptr<CCoreContext> m_context;
};

// chattr +i makes a folder unwritable even for root; false where the file
// system has no such flag.
bool Immutable(const QString& folder, bool on)
{
    return QProcess::execute(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), folder}) == 0;
}

} // namespace

TEST_F(OutputFileTest, TextIsGbkByDefaultAndUtf8WithBomWhenTheSettingsAskForIt)
{
    const QString path = File(QStringLiteral("a.csv"));
    ASSERT_TRUE(WriteTextFile(path, QStringLiteral("记录名称:冷库,1\r\n")));
    EXPECT_EQ(Bytes(path), QByteArray("\xBC\xC7\xC2\xBC\xC3\xFB\xB3\xC6:\xC0\xE4\xBF\xE2,1\r\n"));
    EXPECT_FALSE(TextLog().contains(QStringLiteral("UTF-8")));

    ASSERT_EQ(Settings().WriteIniStr(QStringLiteral("system"), QStringLiteral("export_encoding"), QStringLiteral("utf-8")), 1);
    EXPECT_EQ(ConfiguredTextEncoding(), TextEncoding::Utf8Bom);
    ASSERT_TRUE(WriteTextFile(path, QStringLiteral("冷库")));
    EXPECT_EQ(Bytes(path), QByteArray("\xEF\xBB\xBF") + QStringLiteral("冷库").toUtf8());
}

TEST_F(OutputFileTest, TextGbkCannotHoldGoesOutAsUtf8AndTheLogSaysSoNeverAQuestionMark)
{
    EXPECT_TRUE(GbkHolds(QStringLiteral("冷库 ℃ %RH")));
    EXPECT_FALSE(GbkHolds(QStringLiteral("Kühlhaus Größe")));
    const QString path = File(QStringLiteral("b.doc"));
    ASSERT_TRUE(WriteTextFile(path, QStringLiteral("冷库 Kühlhaus Größe")));
    const QByteArray bytes = Bytes(path);
    EXPECT_EQ(bytes, QByteArray("\xEF\xBB\xBF") + QStringLiteral("冷库 Kühlhaus Größe").toUtf8());
    EXPECT_FALSE(bytes.contains('?'));
    EXPECT_TRUE(TextLog().contains(path));
}

TEST_F(OutputFileTest, SavePathAddsTheExtensionAndAsksBeforeOverwriting)
{
    MessageScript messages;
    QString path = File(QStringLiteral("report"));
    ASSERT_TRUE(SaveFilePath(QStringLiteral(".pdf"), &path));
    EXPECT_EQ(path, File(QStringLiteral("report.pdf")));
    EXPECT_TRUE(messages.Numbers().isEmpty());
    Put(path, "old");
    messages.Answer(AnswerNo);
    EXPECT_FALSE(SaveFilePath(QStringLiteral(".pdf"), &path));
    messages.Answer(AnswerYes);
    EXPECT_TRUE(SaveFilePath(QStringLiteral(".pdf"), &path));
    EXPECT_EQ(messages.Numbers(), QList<int>({167, 167}));
    QString upper = File(QStringLiteral("R.PDF"));
    EXPECT_TRUE(SaveFilePath(QStringLiteral(".pdf"), &upper));
    EXPECT_EQ(upper, File(QStringLiteral("R.PDF")));
}

TEST_F(OutputFileTest, AWriteThatFailsLeavesTheOldFileAndNoTemporaryOne)
{
    const QString path = File(QStringLiteral("keep.csv"));
    Put(path, "old contents");
    // Given up half way.
    EXPECT_FALSE(WriteFileAtomically(path, [](QIODevice& out) {
        out.write("new half");
        return false;
    }));
    EXPECT_EQ(Bytes(path), QByteArray("old contents"));

    // A folder nothing can be written to.
    QDir sub(m_folder.path());
    ASSERT_TRUE(sub.mkdir(QStringLiteral("locked")));
    const QString locked = File(QStringLiteral("locked/keep.csv"));
    Put(locked, "old contents");
    if (Immutable(File(QStringLiteral("locked")), true)) {
        MessageScript messages;
        EXPECT_FALSE(WriteTextFile(locked, QStringLiteral("新的")));
        Immutable(File(QStringLiteral("locked")), false);
        EXPECT_EQ(messages.Numbers(), QList<int>({181}));
        EXPECT_TRUE(messages.Requests().value(0).text.contains(locked));
        EXPECT_EQ(Bytes(locked), QByteArray("old contents"));
    }
    EXPECT_EQ(QDir(m_folder.path()).entryList({QStringLiteral("keep*")}, QDir::Files),
              QStringList({QStringLiteral("keep.csv")}));
    EXPECT_EQ(QDir(File(QStringLiteral("locked"))).entryList(QDir::Files), QStringList({QStringLiteral("keep.csv")}));
}
