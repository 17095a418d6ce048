// The string tables and the language modules built from them.
#include "TestPaths.h"
#include "AppEnv.h"
#include "Strings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

using namespace qm;

namespace {

QString SourceDir() { return TestSourceDir(); }

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString TablePath(const char* language)
{
    return SourceDir() + QStringLiteral("/app/res/strings/") + QLatin1String(language) + QStringLiteral(".tsv");
}

QMap<int, QString> Table(const char* language) { return ParseStringTable(ReadFile(TablePath(language))); }

// Entry numbers in file order, duplicates kept (ParseStringTable keeps the last).
QList<int> RawNumbers(const QString& path)
{
    QList<int> numbers;
    for (const QByteArray& line : ReadFile(path).split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (line.startsWith('#') || tab <= 0)
            continue;
        bool ok = false;
        const int n = line.left(tab).toInt(&ok);
        if (ok)
            numbers << n;
    }
    return numbers;
}

} // namespace

TEST(StringTables, NumbersAreUniqueAndBothLanguagesHaveTheSameEntries)
{
    for (const char* language : {"zh", "en"}) {
        const QList<int> numbers = RawNumbers(TablePath(language));
        ASSERT_GT(numbers.size(), 300) << language;
        QSet<int> seen;
        for (int n : numbers) {
            EXPECT_FALSE(seen.contains(n)) << language << ": entry " << n << " appears twice";
            seen.insert(n);
        }
    }
    const QMap<int, QString> zh = Table("zh");
    const QMap<int, QString> en = Table("en");
    for (auto it = zh.cbegin(); it != zh.cend(); ++it) {
        EXPECT_TRUE(en.contains(it.key())) << "no English text for " << it.key();
        EXPECT_FALSE(it.value().isEmpty()) << "empty Chinese text " << it.key();
    }
    for (auto it = en.cbegin(); it != en.cend(); ++it) {
        EXPECT_TRUE(zh.contains(it.key())) << "no Chinese text for " << it.key();
        EXPECT_FALSE(it.value().isEmpty()) << "empty English text " << it.key();
    }
}

TEST(StringTables, ChineseTextsAreTheQuotedOnes)
{
    const QMap<int, QString> quoted = ParseStringTable(ReadFile(SourceDir() + QStringLiteral("/tests/res/quoted.tsv")));
    ASSERT_GT(quoted.size(), 200);
    const QMap<int, QString> zh = Table("zh");
    for (auto it = quoted.cbegin(); it != quoted.cend(); ++it)
        EXPECT_EQ(zh.value(it.key()).toStdString(), it.value().toStdString()) << "entry " << it.key();
    // Escapes in the table are real control characters in the texts.
    EXPECT_EQ(zh.value(110), QString::fromUtf8("创建目录失败！\r\n\r\n%s"));
    EXPECT_EQ(zh.value(345), QString::fromUtf8("连接(&I)\tCtrl+I"));
}

TEST(StringTables, PlaceholdersAgreeBetweenLanguages)
{
    EXPECT_EQ(Placeholders(QStringLiteral("%08lx %s %.1f 100%% %d")),
              (QStringList{"%08lx", "%s", "%.1f", "%d"}));
    const QMap<int, QString> zh = Table("zh");
    const QMap<int, QString> en = Table("en");
    for (auto it = zh.cbegin(); it != zh.cend(); ++it)
        EXPECT_EQ(Placeholders(it.value()).join(u' ').toStdString(),
                  Placeholders(en.value(it.key())).join(u' ').toStdString())
            << "entry " << it.key();
}

TEST(StringTables, EveryNumberTheSourcesUseHasATextInBothTables)
{
    QStringList helpers;
    for (const QByteArray& line : ReadFile(SourceDir() + QStringLiteral("/tests/res/numbered_text_helpers.txt")).split('\n')) {
        const QString name = QString::fromUtf8(line).trimmed();
        if (!name.isEmpty() && !name.startsWith(u'#'))
            helpers << QRegularExpression::escape(name);
    }
    ASSERT_FALSE(helpers.isEmpty());
    const QRegularExpression use(QStringLiteral("\\b(?:%1)\\s*\\(\\s*(\\d+)\\b").arg(helpers.join(u'|')));
    const QMap<int, QString> zh = Table("zh");
    const QMap<int, QString> en = Table("en");
    int uses = 0;
    for (const char* root : {"app", "tools"}) {
        QDirIterator files(SourceDir() + u'/' + QLatin1String(root),
                           {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.hpp"), QStringLiteral("*.cc")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const QString text = QString::fromUtf8(ReadFile(path));
            auto it = use.globalMatch(text);
            while (it.hasNext()) {
                const auto m = it.next();
                const int number = m.captured(1).toInt();
                const int line = int(text.left(m.capturedStart()).count(u'\n')) + 1;
                ++uses;
                EXPECT_TRUE(zh.contains(number)) << path.toStdString() << ":" << line << " uses " << number << ", not in zh.tsv";
                EXPECT_TRUE(en.contains(number)) << path.toStdString() << ":" << line << " uses " << number << ", not in en.tsv";
            }
        }
    }
    EXPECT_GT(uses, 0) << "the scan found no use at all: is the pattern still right?";
}

TEST(StringTables, BuiltModulesHoldTheirTables)
{
    const CProgramContext built(TestProgramDir());
    const QString ch = LanguageModulePath(QString::fromLatin1(kChineseModule));
    const QString en = LanguageModulePath(QString::fromLatin1(kEnglishModule));
    EXPECT_TRUE(ch.endsWith(QStringLiteral("/res/QUILLM_CH.lang"))) << ch.toStdString();
    EXPECT_EQ(ParseStringTable(ReadFile(ch)), Table("zh"));
    EXPECT_EQ(ParseStringTable(ReadFile(en)), Table("en"));
    // The built-in table is the current Chinese source, not a stale copy.
    EXPECT_EQ(BuiltinStrings(), Table("zh"));

    ASSERT_TRUE(LoadLanguageModule(en));
    EXPECT_EQ(Msg(168), QStringLiteral("Notice"));
    EXPECT_EQ(MsgF(5403, {QStringLiteral("3")}), QStringLiteral("COM3: reading the configuration failed"));
    UseBuiltinStrings();
}
