#include "ggError.h"
#include "ggFiles.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

TEST(Paths, JoinAndExtract)
{
    struct Join { const char *dir, *name, *path; };
    for (const Join &c : {Join{"/opt/data/", "i.cod", "/opt/data/i.cod"},
                          Join{"/opt/data", "i.cod", "/opt/data/i.cod"},
                          Join{"", "i.cod", "i.cod"},
                          Join{"/opt/data", "/i.cod", "/opt/data//i.cod"}})
        EXPECT_EQ(JoinPath(QString::fromUtf8(c.dir), QString::fromUtf8(c.name)), QString::fromUtf8(c.path))
            << c.dir << " + " << c.name;

    struct Extract { const char *path, *dir; };
    for (const Extract &c : {Extract{"/opt/Program/TessalCert", "/opt/Program"},
                             Extract{"TessalCert", ""},
                             Extract{"/TessalCert", ""},
                             Extract{"data/", "data"},
                             Extract{"a//b", "a/"},
                             Extract{"", ""}})
        EXPECT_EQ(ExtractDir(QString::fromUtf8(c.path)), QString::fromUtf8(c.dir)) << c.path;
}

TEST(Paths, CheckedJoinTakesOnlyOneComponent)
{
    struct Case {
        const char *name;
        QString component;
        bool accepted;
    };
    const QList<Case> cases = {
        {"plain name", QStringLiteral("6007000042_0000042"), true},
        {"name with dots inside", QStringLiteral("h_ru.fr3"), true},
        {"dots only beyond two", QStringLiteral("..."), true},
        {"empty", QString(), false},
        {"this folder", QStringLiteral("."), false},
        {"parent folder", QStringLiteral(".."), false},
        {"slash", QStringLiteral("../k.cod"), false},
        {"absolute", QStringLiteral("/etc/passwd"), false},
        {"backslash", QStringLiteral("..\\k.cod"), false},
        {"line break", QStringLiteral("a\nb"), false},
        {"delete character", QStringLiteral("a\x7f"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsSafeFileName(c.component), c.accepted);
        if (c.accepted)
            EXPECT_EQ(SafeJoinPath(QStringLiteral("/d/data"), c.component), QStringLiteral("/d/data/") + c.component);
        else
            EXPECT_THROW(SafeJoinPath(QStringLiteral("/d/data"), c.component), AppError);
    }
}

TEST(Paths, TempAndSpecialFolders)
{
    QTemporaryDir temp;
    qputenv("TMPDIR", temp.path().toUtf8());
    EXPECT_EQ(GetTempDir(), temp.path() + QLatin1Char('/'));

    qputenv("XDG_CONFIG_HOME", "/home/expert/.config");
    qputenv("TESSAL_COMMON_CONFIG", "/srv/tessal");
    EXPECT_EQ(GetSpecialFolder(CSIDL_APPDATA), QByteArray("/home/expert/.config/TessalCert"));
    EXPECT_EQ(GetSpecialFolder(CSIDL_COMMON_APPDATA), QByteArray("/srv/tessal"));
    qunsetenv("TESSAL_COMMON_CONFIG");
    qputenv("XDG_CONFIG_DIRS", "/etc/xdg/site:/etc/xdg");
    EXPECT_EQ(GetSpecialFolder(CSIDL_COMMON_APPDATA), QByteArray("/etc/xdg/site/TessalCert"));
    qunsetenv("XDG_CONFIG_DIRS");
    EXPECT_EQ(GetSpecialFolder(CSIDL_COMMON_APPDATA), QByteArray("/etc/xdg/TessalCert"));
    EXPECT_TRUE(GetSpecialFolder(5).isEmpty());
}

TEST(Paths, FileExistsSkipsFoldersHiddenAndSpecialFiles)
{
    QTemporaryDir temp;
    const QString dir = temp.path();
    WriteWholeFile(dir + "/a.xml", "x");
    WriteWholeFile(dir + "/.hidden.cod", "x");
    WriteWholeFile(dir + "/[x].txt", "x");
    ASSERT_TRUE(QDir(dir).mkdir("folder.cod"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "/pipe.dat").constData(), 0600), 0);

    struct Case { const char *name; bool exists; };
    for (const Case &c : {Case{"a.xml", true}, Case{"*.xml", true}, Case{"?.xml", true}, Case{"a.*", true},
                          Case{"A.xml", false}, Case{"b.xml", false}, Case{"??.xml", false},
                          Case{".hidden.cod", false}, Case{"*.cod", false}, Case{"folder.cod", false},
                          Case{"pipe.dat", false}, Case{"*.dat", false},
                          Case{"[x].txt", true}, Case{"[x]*", true}, Case{"x*", false},
                          Case{"missing/*", false}, Case{"", false}})
        EXPECT_EQ(FileExistsW(c.name[0] ? dir + '/' + QString::fromUtf8(c.name) : QString()), c.exists) << c.name;
}

TEST(Paths, FoldersAndSizes)
{
    QTemporaryDir temp;
    const QString folder = temp.path() + "/archive";
    EXPECT_FALSE(DirectoryExistsW(folder));
    EXPECT_TRUE(CreateDirW(folder));
    EXPECT_TRUE(DirectoryExistsW(folder));
    EXPECT_FALSE(CreateDirW(folder)) << "an existing folder";
    EXPECT_FALSE(CreateDirW(temp.path() + "/missing/level")) << "only the last level is created";
    EXPECT_FALSE(DirectoryExistsW(QString()));

    WriteWholeFile(folder + "/k.cod", QByteArray(1234, 'k'));
    EXPECT_FALSE(DirectoryExistsW(folder + "/k.cod"));
    EXPECT_EQ(GetFileSize64((folder + "/k.cod").toUtf8()), 1234);
    EXPECT_EQ(GetFileSize64((folder + "/none").toUtf8()), 0);
    EXPECT_EQ(GetFileSize64(folder.toUtf8()), 0) << "a folder has no size";
}

TEST(WholeFiles, RoundTripByteForByte)
{
    QTemporaryDir temp;
    const QString name = temp.path() + "/data.bin";
    const QByteArray data("\x00\xff\r\n\xd0\xaf end", 10);
    StringToFile(data, name);
    EXPECT_EQ(FileToString(name), data);
    StringToFile(QByteArray(), name);
    EXPECT_EQ(QFileInfo(name).size(), 0);
    EXPECT_EQ(FileToString(name), QByteArray());

    EXPECT_THROW(FileToString(temp.path() + "/missing"), AppError);
    EXPECT_THROW(FileToString(temp.path()), AppError);
    EXPECT_THROW(StringToFile("x", temp.path() + "/missing/data.bin"), AppError);
}

TEST(WholeFiles, FailedWriteLeavesTheOldFile)
{
    QTemporaryDir temp;
    const QString name = temp.path() + "/k.cod";
    const QByteArray old("old settings");
    StringToFile(old, name);

    // The file-size limit makes the write fail part-way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(StringToFile(QByteArray(1024 * 1024, 'n'), name), AppError);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);

    EXPECT_EQ(FileToString(name), old);
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"k.cod"}) << "no leftovers";
}

TEST(Versions, CompareAsNumbers)
{
    struct Case { const char *a, *b; int result; };
    for (const Case &c : {Case{"1.4.1.6", "1.4.1.6", 0}, Case{"1.4.10.0", "1.4.9.9", 1},
                          Case{"1.4.9.9", "1.4.10.0", -1}, Case{"1.4.1.6", "1.4.1.6.9", 0},
                          Case{"1.4.2", "1.4.1.6", 1}, Case{"2.0.0.0", "10.0.0.0", -1},
                          Case{"1..4.1.6", "1.4.1.6", 0}, Case{"1.4.1.6.x", "1.4.1.6", 0}})
        EXPECT_EQ(CompareVersions(c.a, c.b), c.result) << c.a << " vs " << c.b;

    for (const Case &c : {Case{"1.4.1", "1.4.1.6", 0}, Case{"1.4.1.6", "1.4.1", 0}, Case{"1.4.x.6", "1.4.1.6", 0},
                          Case{"1.4. 1.6", "1.4.1.6", 0}, Case{"1.4.1.6 ", "1.4.1.7", 0}, Case{"", "", 0},
                          Case{"1.4.1.99999999999999999999", "1.4.1.6", 0}})
        EXPECT_THROW(CompareVersions(c.a, c.b), AppError) << c.a << " vs " << c.b;
}
