// Zip archives in memory: a round trip read back by an independent reader
// (unzip), and hostile archives refused before anything is extracted.
#include "ZipArchive.h"
#include "AppError.h"
#include "TestSupport.h"

#include <QProcess>
#include <functional>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray AllBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 512; ++i)
        bytes.append(char(i % 256));
    return bytes;
}

QByteArray ArchiveOf(const QList<QPair<QString, QByteArray>> &entries)
{
    ZipWriter writer;
    for (const auto &[name, content] : entries)
        writer.add(name, content);
    return writer.finish();
}

QByteArray RunUnzip(const QStringList &arguments)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), arguments);
    EXPECT_TRUE(unzip.waitForFinished(30000)) << "unzip did not run";
    EXPECT_EQ(unzip.exitCode(), 0) << unzip.readAllStandardError().constData();
    return unzip.readAllStandardOutput();
}

// Sets the declared plain size of the one entry of an archive, in its local
// header and in its central directory record alike.
QByteArray WithDeclaredSize(QByteArray archive, quint32 size)
{
    const auto put = [&](const char *signature, int offset) {
        const qsizetype at = archive.indexOf(QByteArray(signature, 4));
        EXPECT_GE(at, 0);
        for (int i = 0; i < 4; ++i)
            archive[at + offset + i] = char((size >> (8 * i)) & 0xFF);
    };
    put("PK\x03\x04", 22);
    put("PK\x01\x02", 24);
    return archive;
}

} // namespace

TEST(ZipArchive, RoundTripReadBackByUnzip)
{
    const QByteArray xml = QStringLiteral("<dataPacket name=\"Сертификат\"/>\r\n").toUtf8();
    const QByteArray archive = ArchiveOf({{"sync.xml", xml},
                                          {"data/6007000045_0000045", AllBytes()},
                                          {"empty.txt", QByteArray()},
                                          {"data/", QByteArray()}});

    ZipReader reader(archive);
    ASSERT_EQ(reader.entries().size(), 4u);
    EXPECT_EQ(reader.entries()[0].name, "sync.xml");
    EXPECT_EQ(reader.entries()[1].size, 512);
    EXPECT_EQ(reader.read(0), xml);
    EXPECT_EQ(reader.read("data/6007000045_0000045"), AllBytes());
    EXPECT_EQ(reader.read("empty.txt"), QByteArray());
    EXPECT_EQ(reader.find("SYNC.XML"), -1);
    EXPECT_THROW(reader.read("missing.xml"), AppError);

    QTemporaryDir folder;
    const QString file = folder.filePath("sync.zip");
    WriteWholeFile(file, archive);
    EXPECT_EQ(RunUnzip({"-Z1", file}), "sync.xml\ndata/6007000045_0000045\nempty.txt\ndata/\n");
    EXPECT_EQ(RunUnzip({"-p", file, "sync.xml"}), xml);
    EXPECT_EQ(RunUnzip({"-p", file, "data/6007000045_0000045"}), AllBytes());

    // Names outside ASCII travel as UTF-8.
    const QString cyrillic = QStringLiteral("папка/Файл.txt");
    EXPECT_EQ(ZipReader(ArchiveOf({{cyrillic, "x"}})).entries()[0].name, cyrillic);
    // An archive without entries is still an archive.
    EXPECT_TRUE(ZipReader(ZipWriter().finish()).entries().empty());
}

TEST(ZipArchive, EntryNamesAreChecked)
{
    struct Row {
        const char *name;
        QByteArray entryName;
        bool safe;
    };
    const QList<Row> rows = {
        {"plain", "sync.xml", true},
        {"in a folder", "word/document.xml", true},
        {"folder entry", "word/", true},
        {"dots inside a name", "a..b/..c", true},
        {"parent", "../x", false},
        {"parent inside", "a/../b", false},
        {"parent at the end", "a/..", false},
        {"absolute", "/abs", false},
        {"drive", "C:/x", false},
        {"backslash", "a\\b", false},
        {"control character", "a\x01" "b", false},
        {"line feed", "a\nb", false},
        {"delete character", "a\x7f" "b", false},
        {"empty", "", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsSafeZipEntryName(row.entryName), row.safe);
        if (row.safe || row.entryName.isEmpty())
            continue;
        ZipWriter writer;
        EXPECT_THROW(writer.add(QString::fromLatin1(row.entryName), "x"), AppError);
        // The same name written by someone else: the archive is refused whole.
        const QByteArray stand(row.entryName.size(), 'Q');
        const QByteArray hostile = ArchiveOf({{"good.txt", "x"}, {QString::fromLatin1(stand), "x"}})
                                       .replace(stand, row.entryName);
        try {
            ZipReader reader(hostile);
            ADD_FAILURE() << "archive read";
        } catch (const AppError &e) {
            EXPECT_TRUE(e.message().startsWith("zip entry name refused")) << e.message().toStdString();
        }
    }
}

TEST(ZipArchive, SizesAreCappedBeforeExtracting)
{
    const ZipLimits small{1 << 20, 3 << 19}; // 1 MiB an entry, 1.5 MiB in all
    const QByteArray bomb = ArchiveOf({{"bomb", QByteArray(2 << 20, '\0')}});
    EXPECT_LT(bomb.size(), 20000);
    EXPECT_THROW(ZipReader(bomb, small), AppError);
    EXPECT_EQ(ZipReader(bomb).read(0).size(), 2 << 20); // within the usual limits

    const QByteArray part(600 << 10, '\0');
    EXPECT_THROW(ZipReader(ArchiveOf({{"a", part}, {"b", part}, {"c", part}}), small), AppError);
    EXPECT_EQ(ZipReader(ArchiveOf({{"a", part}, {"b", part}}), small).entries().size(), 2u);

    // A declared size far beyond the content: refused before any reading.
    EXPECT_THROW(ZipReader(WithDeclaredSize(ArchiveOf({{"x", "abc"}}), 0x7FFFFFFF), small), AppError);
    // Content larger than declared is never handed out.
    const QByteArray lying = WithDeclaredSize(ArchiveOf({{"x", QByteArray(100000, 'a')}}), 10);
    EXPECT_THROW(ZipReader(lying, small).read(0), AppError);

    EXPECT_THROW(ZipReader(QByteArray("not an archive")), AppError);
}

// The reader's failures end in the operator's words, not libzip's English.
TEST(ZipArchive, FailuresReadInRussian)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString text = folder.filePath("notes.txt");
    WriteWholeFile(text, QByteArray(4096, 'x'));
    QByteArray damaged = ArchiveOf({{"data.txt", QByteArray(5000, 'a') + AllBytes()}});
    damaged[40] = char(damaged[40] ^ 0x55); // inside the deflated content
    const QString damagedFile = folder.filePath("damaged.zip");
    WriteWholeFile(damagedFile, damaged);

    struct Case {
        const char *name;
        std::function<void()> read;
        QString words;
    };
    const QList<Case> cases = {
        {"a text file", [&] { ZipReader(ZipReader::FromFile{}, text); },
         QStringLiteral("Не удалось открыть zip-архив: Не является zip-архивом.")},
        {"bytes that are no archive", [] { ZipReader(QByteArray(4096, 'x')); },
         QStringLiteral("Не удалось открыть zip-архив: Не является zip-архивом.")},
        {"no such file", [&] { ZipReader(ZipReader::FromFile{}, folder.filePath("missing.zip")); },
         QStringLiteral("Не удалось открыть zip-архив: Нет такого файла.")},
        {"damaged content", [&] { ZipReader(ZipReader::FromFile{}, damagedFile).read(0); },
         QStringLiteral("cannot read zip entry data.txt: Не сходится контрольная сумма (CRC): архив повреждён.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.read();
            ADD_FAILURE() << "no failure";
        } catch (const AppError &e) {
            EXPECT_EQ(e.message().toStdString(), c.words.toStdString());
        }
    }
}
