#include "AppEnv.h"
#include "CLog.h"
#include "Clock.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QDateTime At(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

} // namespace

TEST(CLog, EachWriteIsOneFlushedLineInTheFileOfItsDay)
{
    QTemporaryDir dir;
    qm::ScopedClock clock(At(2024, 5, 6, 23, 59, 59));
    CLog log(dir.path(), QStringLiteral("Quillmark"), 0);
    const QString day1 = dir.filePath(QStringLiteral("Quillmark_2024-05-06.log"));
    EXPECT_EQ(log.CurrentFile(), day1);

    EXPECT_EQ(log.Write(QStringLiteral("CQuillmarkDlg::Login"), QString::fromUtf8("登录 admin[admin]")), 1);
    EXPECT_EQ(log.Write(QStringLiteral("CBackupSet::OnBnClickedOk"), QString::fromUtf8("创建目录失败！\r\n\r\n/x")), 1);
    // Read while the log is still open: nothing may wait in a buffer.
    EXPECT_EQ(QString::fromUtf8(Read(day1)),
              QString::fromUtf8("2024-05-06 23:59:59.000 [CQuillmarkDlg::Login] 登录 admin[admin]\n"
                                "2024-05-06 23:59:59.000 [CBackupSet::OnBnClickedOk] 创建目录失败！ /x\n"));

    clock.Advance(1);
    EXPECT_EQ(log.UpdateLogFile(QString(), 0), 1);
    EXPECT_EQ(log.Write(QString(), QString::fromUtf8("程序运行")), 1);
    EXPECT_EQ(Read(dir.filePath(QStringLiteral("Quillmark_2024-05-07.log"))),
              QString::fromUtf8("2024-05-07 00:00:00.000 [] 程序运行\n").toUtf8());
    EXPECT_EQ(Read(day1).count('\n'), 2);
}

TEST(CLog, FolderDefaultsMovesAndRecreation)
{
    QTemporaryDir program;
    const qm::CProgramContext context(program.path());
    qm::ScopedClock clock(At(2024, 1, 2, 8, 0, 0));
    {
        CLog log(QString(), QStringLiteral("Quillmark"), 0);
        ASSERT_EQ(log.Write(QStringLiteral("a"), QStringLiteral("first")), 1);
        const QString file = program.filePath(QStringLiteral("log/Quillmark_2024-01-02.log"));
        EXPECT_TRUE(QFile::exists(file));

        // A day file removed under the running program comes back with the next line.
        ASSERT_TRUE(QFile::remove(file));
        log.UpdateLogFile(QString(), 0);
        ASSERT_EQ(log.Write(QStringLiteral("a"), QStringLiteral("second")), 1);
        EXPECT_TRUE(Read(file).endsWith("[a] second\n"));

        const QString other = program.filePath(QStringLiteral("elsewhere"));
        log.UpdateLogFile(other, 0);
        ASSERT_EQ(log.Write(QStringLiteral("a"), QStringLiteral("third")), 1);
        EXPECT_TRUE(Read(other + QStringLiteral("/Quillmark_2024-01-02.log")).endsWith("[a] third\n"));

        // A folder that cannot exist (a file is in the way) is a failed write, not a crash.
        QFile blocker(program.filePath(QStringLiteral("blocked")));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        log.UpdateLogFile(blocker.fileName(), 0);
        EXPECT_EQ(log.Write(QStringLiteral("a"), QStringLiteral("lost")), 0);
    }
}

TEST(CLog, ConcurrentWritersKeepLinesWhole)
{
    QTemporaryDir dir;
    CLog log(dir.path(), QStringLiteral("Quillmark"), 0);
    constexpr int kThreads = 4, kLines = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i)
                log.Write(QStringLiteral("CDownload::fnCallback"), QStringLiteral("thread %1 line %2 ").arg(t).arg(i).repeated(4));
        });
    for (auto& th : threads)
        th.join();

    const QString text = QString::fromUtf8(Read(log.CurrentFile()));
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), kThreads * kLines);
    const QRegularExpression shape(QStringLiteral(
        "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\[CDownload::fnCallback\\] ((thread \\d+ line \\d+ ){4})$"));
    QSet<QString> payloads;
    for (const QString& line : lines) {
        const auto m = shape.match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        payloads.insert(m.captured(1));
    }
    EXPECT_EQ(payloads.size(), kThreads * kLines);
}
