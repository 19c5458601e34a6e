// Content types of attached files by their extension.
#include "MimeTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(MimeTable, BuiltInListHoldsEveryLineInOrder)
{
    QStringList plain;
    BuildMimeList(&plain, false);
    ASSERT_EQ(plain.size(), 313);
    EXPECT_EQ(plain.first(), QStringLiteral(".nml=animation/narrative"));
    EXPECT_EQ(plain.at(4), QStringLiteral(".mp3=audio/x-mpg"));
    EXPECT_EQ(plain.at(54), QStringLiteral(".mp3=video/mpeg"));
    EXPECT_EQ(plain.last(), QStringLiteral(".sgml=text/x-sgml"));

    QStringList filled {QStringLiteral(".x=y/z")};
    BuildMimeList(&filled, false);
    EXPECT_EQ(filled, QStringList {QStringLiteral(".x=y/z")});
    BuildMimeList(nullptr, true); // nothing to fill
}

TEST(MimeTable, TypeOfFileByExtensionInTheBuiltInTable)
{
    TMimeTable table(false);
    table.UseRegistry = false;
    struct Row {
        const char *name;
        QByteArray fileName;
        QByteArray type;
    };
    // How a name is read, and which pair wins.
    const Row rules[] = {
        {"attached copy without extension", "data/0123456_0000042", "application/octet-stream"},
        {"upper-case extension", "scan.PDF", "application/pdf"},
        {"extension of a folder is not the file's", "/tmp/a.b/file", "application/octet-stream"},
        {"unknown extension", "notes.unknownext", "application/octet-stream"},
        {"first pair wins after sorting", "song.mp3", "audio/x-mpg"},
        {"type without slash kept as it is", "a.pkg", "vnd.apple.installer+xml"},
        {"server-parsed page kept as it is", "a.shtml", "server-parsed-html"},
    };
    for (const Row &row : rules)
        EXPECT_EQ(table.LookupMimeType(row.fileName), row.type) << row.name;

    // Types registered with IANA that a receiving server knows.
    const Row registered[] = {
        {"pdf", "a.pdf", "application/pdf"}, {"gif", "a.gif", "image/gif"},
        {"jpg", "a.jpg", "image/jpeg"},      {"jpeg", "a.jpeg", "image/jpeg"},
        {"txt", "a.txt", "text/plain"},      {"htm", "a.htm", "text/html"},
        {"html", "a.html", "text/html"},     {"xml", "a.xml", "text/xml"},
        {"doc", "a.doc", "application/msword"},
    };
    for (const Row &row : registered)
        EXPECT_EQ(table.LookupMimeType(row.fileName), row.type) << row.name;

    // Where the list gives an unregistered (x-) name, it still names the
    // right kind of content.
    const Row kinds[] = {
        {"png", "a.png", "image/"},           {"tif", "a.tif", "image/"},
        {"bmp", "a.bmp", "image/"},           {"zip", "a.zip", "application/"},
        {"gz", "a.gz", "application/"},       {"xls", "a.xls", "application/"},
        {"exe", "a.exe", "application/"},     {"rar", "a.rar", "application/"},
    };
    for (const Row &row : kinds) {
        const QByteArray type = table.LookupMimeType(row.fileName);
        EXPECT_TRUE(type.startsWith(row.type) && type != "application/octet-stream") << row.name << ": " << type.constData();
    }
}

// The system's registered types (Debian's /etc/mime.types) are merged over
// the built-in table: a registered extension takes the registered type, the
// others keep theirs, and new extensions come in.
TEST(MimeTable, RegisteredTypesAreMergedOverTheBuiltInTable)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString registry = folder.filePath("mime.types");
    QFile file(registry);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# Media (MIME) types\n"
               "\n"
               "application/vnd.openxmlformats-officedocument.wordprocessingml.document\tdocx\n"
               "image/PNG\t\t\tpng  # after a comment mark nothing counts: jpg\n"
               "audio/mpeg\t\t\tmpga mp2 MP3\n"
               "application/3gpp-ims+xml\n");
    file.close();
    TMimeTable table(false);
    table.RegistryFile = registry;
    table.EnsureMimeList();
    const struct {
        const char *name;
        QByteArray fileName;
        QByteArray type;
    } rows[] = {
        {"new extension", "act.docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
        {"registered over built-in, lower case", "scan.png", "image/png"},
        {"after a comment mark", "photo.jpg", "image/jpeg"},
        {"second extension of a line", "a.mpga", "audio/mpeg"},
        {"upper-case extension registered", "song.mp3", "audio/mpeg"},
        {"built-in, not registered", "a.gif", "image/gif"},
        {"type without extension adds nothing", "a.xml", "text/xml"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(table.LookupMimeType(row.fileName), row.type);
    }
    // A missing file adds nothing.
    TMimeTable missing(false);
    missing.RegistryFile = folder.filePath("none");
    TMimeTable plain(false);
    plain.UseRegistry = false;
    missing.EnsureMimeList();
    plain.EnsureMimeList();
    EXPECT_EQ(missing.Extensions.size(), plain.Extensions.size());

    // The process table reads the system's own file (package media-types).
    ASSERT_TRUE(QFile::exists(QString::fromLatin1(SystemMimeTypesFile))) << "media-types is not installed";
    EXPECT_EQ(MimeTypeOfFile("act.docx"),
              QByteArray("application/vnd.openxmlformats-officedocument.wordprocessingml.document"));
    EXPECT_EQ(MimeTypeOfFile("scan.PDF"), QByteArray("application/pdf"));
    EXPECT_EQ(MimeTypeOfFile("data/0123456_0000042"), QByteArray("application/octet-stream"));
}

TEST(MimeTable, FirstPairForAnExtensionWins)
{
    TMimeTable empty(false);
    empty.AddMimeEntry("DOC", "Application/MSWord");
    EXPECT_EQ(empty.Extensions, QStringList {QStringLiteral(".doc")});
    EXPECT_EQ(empty.Types, QStringList {QStringLiteral("application/msword")});

    TMimeTable filled(true);
    const qsizetype count = filled.Extensions.size();
    filled.AddMimeEntry("DOC", "text/other");
    filled.AddMimeEntry("", "text/other");
    filled.AddMimeEntry(".new", "");
    EXPECT_EQ(filled.Extensions.size(), count);
    EXPECT_EQ(filled.LookupMimeType("x.doc"), QByteArray("application/msword"));

    // Without sorting the built-in order decides; lines without "=" are skipped.
    TMimeTable plain(false);
    plain.UseRegistry = false;
    plain.EnsureMimeList();
    EXPECT_EQ(plain.LookupMimeType("a.xbm"), QByteArray("image/xbm"));
    plain.AddMimePairs({QStringLiteral("no separator"), QStringLiteral("XBM=image/one"), QStringLiteral(".xbm=image/two")},
                       QLatin1Char('='));
    EXPECT_EQ(plain.Extensions, QStringList {QStringLiteral(".xbm")});
    EXPECT_EQ(plain.LookupMimeType("a.xbm"), QByteArray("image/one"));
}

TEST(MimeTable, LoaderEventReplacesTheList)
{
    TMimeTable table(false);
    int calls = 0;
    table.OnLoadList = [&](TMimeTable *sender) {
        ++calls;
        sender->AddMimeEntry("abc", "x/abc");
    };
    EXPECT_EQ(table.LookupMimeType("f.abc"), QByteArray("x/abc"));
    EXPECT_EQ(table.LookupMimeType("f.pdf"), QByteArray("application/octet-stream"));
    EXPECT_EQ(calls, 2);
}
