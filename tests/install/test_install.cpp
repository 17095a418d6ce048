// The installed program as a user gets it: installed into a scratch root
// (DESTDIR), its programs run from there, the first start seeds the user's
// data folder, the second leaves it alone; the desktop entry and the Debian
// package checked with the system's own tools.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const QString kBuild = QStringLiteral(QM_BUILD_DIR);
const QString kPrefix = QStringLiteral(QM_INSTALL_PREFIX);
const QString kShare = QStringLiteral(QM_INSTALL_SHAREDIR);
const QString kLibDir = QStringLiteral(QM_INSTALL_LIBDIR);

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

Outcome Execute(const QString& program, const QStringList& args, const QProcessEnvironment& env, int timeoutMs = 30000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Outcome r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out: ") + program;
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray Digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result().toHex();
}

// The environment of a user who has never run the program: no program folder
// named, a data folder of their own, no display.
QProcessEnvironment UserEnvironment(const QString& dataHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QUILLMARK_FOLDER"));
    env.remove(QStringLiteral("LD_LIBRARY_PATH"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    return env;
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), root.path());
        const Outcome install = Execute(QStringLiteral(QM_CMAKE_COMMAND), {QStringLiteral("--install"), kBuild}, env, 60000);
        ASSERT_EQ(install.code, 0) << install.out.toStdString() << install.err.toStdString();
        staged = root.path() + kPrefix;
    }
    QString Bin(const QString& name) const { return staged + QStringLiteral("/bin/") + name; }
    QString Share(const QString& name) const { return staged + u'/' + kShare + u'/' + name; }

    QTemporaryDir root;
    QString staged;
};

TEST_F(InstallTest, EveryPartLandsInItsPlace)
{
    for (const QString& tool : {QStringLiteral("Quillmark"), QStringLiteral("quillmark"), QStringLiteral("quillmark-cli"),
                                QStringLiteral("kelvane"), QStringLiteral("loggersim")})
        EXPECT_TRUE(QFileInfo(Bin(tool)).isExecutable()) << tool.toStdString();
    EXPECT_EQ(QFileInfo(Bin(QStringLiteral("quillmark"))).symLinkTarget(), QFileInfo(Bin(QStringLiteral("Quillmark"))).filePath());
    EXPECT_TRUE(QFileInfo::exists(staged + u'/' + kLibDir + QStringLiteral("/libKelvane.so")));
    for (const QString& file : {QStringLiteral("res/QUILLM_CH.lang"), QStringLiteral("res/QUILLM_EN.lang"),
                                QStringLiteral("res/help/ch/index.html"), QStringLiteral("res/help/en/index.html"),
                                QStringLiteral("config/channelInfo.ini"), QStringLiteral("database/DATAINFO.db3")})
        EXPECT_TRUE(QFileInfo::exists(Share(file))) << file.toStdString();
    const QString data = staged + QStringLiteral("/share/");
    EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("applications/quillmark.desktop")));
    for (const QString& size : {QStringLiteral("48x48"), QStringLiteral("128x128"), QStringLiteral("256x256")})
        EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("icons/hicolor/") + size + QStringLiteral("/apps/quillmark.png")));
    EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("icons/hicolor/scalable/apps/quillmark.svg")));
    for (const QString& page : {QStringLiteral("quillmark-cli"), QStringLiteral("kelvane"), QStringLiteral("loggersim")})
        EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("man/man1/") + page + QStringLiteral(".1.gz")));
    // The shipped initial database is a new one, not the build folder's own.
    EXPECT_NE(Digest(Share(QStringLiteral("database/DATAINFO.db3"))), Digest(kBuild + QStringLiteral("/bin/database/DATAINFO.db3")));
}

TEST_F(InstallTest, InstalledProgramsRunAndTellTheirVersion)
{
    QTemporaryDir home;
    const QProcessEnvironment env = UserEnvironment(home.path());
    // No library path: the programs find libKelvane.so through their runtime path.
    for (const QString& tool : {QStringLiteral("Quillmark"), QStringLiteral("quillmark-cli"), QStringLiteral("kelvane"),
                                QStringLiteral("loggersim")}) {
        const Outcome r = Execute(Bin(tool), {QStringLiteral("--version")}, env);
        EXPECT_EQ(r.code, 0) << tool.toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, tool + QStringLiteral(" (Quillmark) " QM_VERSION_FOR_TEST "\n"));
    }
    // Asking for the version makes no data folder.
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral("quillmark"))));
}

TEST_F(InstallTest, TheFirstStartSeedsTheDataFolderAndTheSecondLeavesItAlone)
{
    QTemporaryDir home;
    QProcessEnvironment env = UserEnvironment(home.path());
    const QString data = home.filePath(QStringLiteral("quillmark"));
    const QString ini = data + QStringLiteral("/config/channelInfo.ini");
    const QString db = data + QStringLiteral("/database/DATAINFO.db3");

    const Outcome first = Execute(Bin(QStringLiteral("quillmark-cli")), {QStringLiteral("ports")}, env);
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_EQ(Digest(ini), Digest(Share(QStringLiteral("config/channelInfo.ini"))));
    EXPECT_EQ(Digest(db), Digest(Share(QStringLiteral("database/DATAINFO.db3"))));
    EXPECT_TRUE(QFileInfo(db).isWritable());
    // Nothing of the user's went into the installation.
    EXPECT_FALSE(QFileInfo::exists(Share(QStringLiteral("log"))));
    EXPECT_FALSE(QFileInfo::exists(staged + QStringLiteral("/bin/database")));

    // The user makes the data their own: the first password of admin changed
    // (the database), a setting of their own (the settings file).
    env.insert(QStringLiteral("QUILLMARK_PASSWORD"), QStringLiteral("Quillmark1"));
    env.insert(QStringLiteral("QUILLMARK_NEW_PASSWORD"), QStringLiteral("Install-pw1"));
    const Outcome passwd = Execute(Bin(QStringLiteral("quillmark-cli")), {QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("passwd")}, env);
    ASSERT_EQ(passwd.code, 0) << passwd.err.toStdString();
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("\n; the user's own line\n");
    }
    const QByteArray dbBefore = Digest(db);
    const QByteArray iniBefore = Digest(ini);
    EXPECT_NE(dbBefore, Digest(Share(QStringLiteral("database/DATAINFO.db3"))));

    // The second start finds it all as the user left it.
    env.remove(QStringLiteral("QUILLMARK_NEW_PASSWORD"));
    const Outcome second = Execute(Bin(QStringLiteral("quillmark-cli")), {QStringLiteral("ports")}, env);
    ASSERT_EQ(second.code, 0) << second.err.toStdString();
    EXPECT_EQ(Digest(db), dbBefore);
    EXPECT_EQ(Digest(ini), iniBefore);
    // And the user's password is the one in force.
    env.insert(QStringLiteral("QUILLMARK_PASSWORD"), QStringLiteral("Install-pw1"));
    const Outcome users = Execute(Bin(QStringLiteral("quillmark-cli")), {QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("users")}, env);
    EXPECT_EQ(users.code, 0) << users.err.toStdString();
    EXPECT_TRUE(users.out.contains(QStringLiteral("admin")));
}

TEST_F(InstallTest, TheDesktopEntryIsValid)
{
    const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validate.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (package desktop-file-utils, in scripts/packages)";
    const Outcome r = Execute(validate, {staged + QStringLiteral("/share/applications/quillmark.desktop")},
                          QProcessEnvironment::systemEnvironment());
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out + r.err, QString());
}

TEST(PackageTest, TheDebianPackageHoldsTheInstallationAndNamesItsLibraries)
{
    for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps", "fakeroot"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed (packages dpkg-dev and fakeroot, in scripts/packages): "
                         << "the Debian package cannot be built here";
    }
    QTemporaryDir out;
    const Outcome pack = Execute(QStringLiteral(QM_CPACK_COMMAND),
                             {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                              kBuild + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), out.path()},
                             QProcessEnvironment::systemEnvironment(), 120000);
    ASSERT_EQ(pack.code, 0) << pack.out.toStdString() << pack.err.toStdString();
    const QStringList debs = QDir(out.path()).entryList({QStringLiteral("quillmark_*.deb")}, QDir::Files);
    ASSERT_EQ(debs.size(), 1);
    const QString deb = out.filePath(debs.first());

    const Outcome info = Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("--info"), deb}, QProcessEnvironment::systemEnvironment());
    ASSERT_EQ(info.code, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains(QStringLiteral("Package: quillmark\n")));
    EXPECT_TRUE(info.out.contains(QStringLiteral("Version: " QM_VERSION_FOR_TEST "\n")));
    // Dependencies taken from the linked libraries; the package's own library is no dependency.
    QString depends;
    for (const QString& line : info.out.split(u'\n'))
        if (line.trimmed().startsWith(QStringLiteral("Depends:")))
            depends = line;
    for (const QString& library : {QStringLiteral("libsqlcipher0"), QStringLiteral("libqt6core6"), QStringLiteral("libqt6widgets6"),
                                   QStringLiteral("libc6"), QStringLiteral("qt6-qpa-plugins")})
        EXPECT_TRUE(depends.contains(library)) << depends.toStdString() << " lacks " << library.toStdString();
    EXPECT_FALSE(depends.contains(QStringLiteral("Kelvane"), Qt::CaseInsensitive)) << depends.toStdString();

    const Outcome contents = Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb}, QProcessEnvironment::systemEnvironment());
    ASSERT_EQ(contents.code, 0) << contents.err.toStdString();
    const QString p = u'.' + kPrefix + u'/';
    for (const QString& file :
         {p + QStringLiteral("bin/Quillmark"), p + QStringLiteral("bin/quillmark -> Quillmark"), p + QStringLiteral("bin/quillmark-cli"),
          p + QStringLiteral("bin/kelvane"), p + QStringLiteral("bin/loggersim"), p + kLibDir + QStringLiteral("/libKelvane.so"),
          p + kShare + QStringLiteral("/res/QUILLM_CH.lang"), p + kShare + QStringLiteral("/res/QUILLM_EN.lang"),
          p + kShare + QStringLiteral("/res/help/ch/index.html"), p + kShare + QStringLiteral("/res/help/en/index.html"),
          p + kShare + QStringLiteral("/config/channelInfo.ini"), p + kShare + QStringLiteral("/database/DATAINFO.db3"),
          p + QStringLiteral("share/applications/quillmark.desktop"),
          p + QStringLiteral("share/icons/hicolor/48x48/apps/quillmark.png"),
          p + QStringLiteral("share/icons/hicolor/128x128/apps/quillmark.png"),
          p + QStringLiteral("share/icons/hicolor/256x256/apps/quillmark.png"),
          p + QStringLiteral("share/icons/hicolor/scalable/apps/quillmark.svg"),
          p + QStringLiteral("share/man/man1/quillmark-cli.1.gz"), p + QStringLiteral("share/man/man1/kelvane.1.gz"),
          p + QStringLiteral("share/man/man1/loggersim.1.gz")})
        EXPECT_TRUE(contents.out.contains(u' ' + file + u'\n') || contents.out.contains(u' ' + file + u'/'))
            << file.toStdString();
    // A package never carries a user's data: no log, no port map, no database beside the programs.
    EXPECT_FALSE(contents.out.contains(QStringLiteral("/log/")));
    EXPECT_FALSE(contents.out.contains(QStringLiteral("/dev/COM")));
    EXPECT_FALSE(contents.out.contains(QStringLiteral("bin/database")));
}

} // namespace
