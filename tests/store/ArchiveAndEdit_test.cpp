// The logged file copy, the archive copies and the edit fields.
#include "CertificateParams.h"
#include "CommonTessalFiles.h"
#include "ComponentTag.h"
#include "DataTessalNumbering.h"
#include "StoreFixture.h"
#include "ggDebug.h"

#include <QDir>
#include <QFile>

class ArchiveTest : public StoreFixture {
protected:
    QList<EventRecord> copied() { return journal.sink().withId(EventId::Diagnostic); }
    QList<EventRecord> failed() { return journal.sink().withId(EventId::FileCopyFailed); }

    qint64 rowsIn(const QString &databaseFile)
    {
        SqliteDatabase copy(databaseFile, SqliteDatabase::OpenMode::ReadOnly);
        SqliteStatement count(copy, QStringLiteral("select count(*) from mcod"));
        return count.step() ? count.columnInteger(0) : -1;
    }
};

TEST_F(ArchiveTest, CopyFileLogged)
{
    const QString from = home.path() + QStringLiteral("/from");
    const QString to = home.path() + QStringLiteral("/to");
    QDir().mkpath(from);
    QDir().mkpath(to);
    WriteWholeFile(from + QStringLiteral("/a.txt"), "first");
    WriteWholeFile(to + QStringLiteral("/b.txt"), "old");

    EXPECT_EQ(CopyFileLogged(from, "a.txt", to, "*"), 0);
    EXPECT_EQ(CopyFileLogged(from + "/", "a.txt", to, "b.txt"), 0);
    EXPECT_EQ(ReadWholeFile(to + "/a.txt"), QByteArray("first"));
    EXPECT_EQ(ReadWholeFile(to + "/b.txt"), QByteArray("first")) << "an existing target is overwritten";
    EXPECT_EQ(QDir(to).entryList(QDir::Files | QDir::Hidden), (QStringList{"a.txt", "b.txt"})) << "no leftovers";
    ASSERT_EQ(copied().size(), 2);
    EXPECT_EQ(copied()[0].type, EventType::Success);
    EXPECT_EQ(copied()[0].category, EventCategory::Exchange);
    EXPECT_EQ(copied()[0].strings, QStringList{QStringLiteral("копирование файла ") + from + "/a.txt в " + to
                                               + QStringLiteral("/a.txt завершено")});

    EXPECT_EQ(CopyFileLogged(from, "missing.txt", to, "*"), 2);
    EXPECT_EQ(CopyFileLogged(from, "a.txt", to + "/no/such", "*"), 3) << "a missing folder is a path not found";
    EXPECT_EQ(CopyFileLogged(from + "/gone", "a.txt", to, "*"), 3);
    ASSERT_EQ(failed().size(), 3);
    EXPECT_EQ(failed()[0].type, EventType::Error);
    EXPECT_EQ(failed()[0].category, EventCategory::Exchange);
    EXPECT_EQ(failed()[0].strings, (QStringList{from + "/missing.txt", to + "/missing.txt", SysErrorText(2)}));
    EXPECT_EQ(copied().size(), 2);
}

TEST_F(ArchiveTest, FolderName)
{
    EXPECT_EQ(ArchiveFolderName(7, 3, QDate(2026, 3, 15)), QStringLiteral("Tessal_7_03_2026.03.15"));
    EXPECT_EQ(ArchiveFolderName(123, 12, QDate(2026, 11, 2)), QStringLiteral("Tessal_123_12_2026.11.02"));
}

TEST_F(ArchiveTest, NoArchiveFolderSet)
{
    SaveBaseToArj(*dm, QString());
    ASSERT_EQ(prompter->shown().size(), 1);
    EXPECT_EQ(prompter->shown()[0].text, QStringLiteral("В настройках программы не задано место хранения архива."));
    EXPECT_EQ(prompter->shown()[0].icon, Prompt::Warning);
    EXPECT_TRUE(copied().isEmpty());
    EXPECT_TRUE(failed().isEmpty());
}

TEST_F(ArchiveTest, ArchiveTwiceOnOneDay)
{
    const QString folder = home.path() + QStringLiteral("/archives");
    QDir().mkpath(folder);
    const QString archive = folder + QStringLiteral("/Tessal_7_03_2026.03.15");
    insertCertificate(certificate(1, 1));
    selectCertificate(1);

    SaveBaseToArj(*dm, folder);
    EXPECT_EQ(rowsIn(archive + "/Tessal.sqb"), 1);
    EXPECT_TRUE(QFile::exists(archive + "/k.cod"));
    EXPECT_EQ(copied().size(), 2);
    EXPECT_TRUE(failed().isEmpty());
    ASSERT_TRUE(dm->ASQM.isActive());
    EXPECT_EQ(dm->ASQM.recordCount(), 1);

    insertCertificate(certificate(2, 2));
    SaveBaseToArj(*dm, folder);
    EXPECT_EQ(rowsIn(archive + "/Tessal.sqb"), 2) << "the second copy of the day replaces the first";
    EXPECT_EQ(QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"Tessal_7_03_2026.03.15"});
    EXPECT_EQ(dm->ASQM.recordCount(), 2);
    EXPECT_TRUE(failed().isEmpty());
}

// An archive holds the chamber key and the password hashes as the data folder
// does: a new copy is its owner's only, whoever may read the original, and a
// copy that replaces one keeps that one's permissions.
TEST_F(ArchiveTest, ArchiveCopiesAreTheirOwnersOnly)
{
    const ScopedUmask usual(022);
    const QString folder = home.path() + QStringLiteral("/archives");
    QDir().mkpath(folder);
    const QString archive = folder + QStringLiteral("/Tessal_7_03_2026.03.15");
    dm->SaveAll();
    for (const QString &name : {QStringLiteral("Tessal.sqb"), QStringLiteral("k.cod")})
        SetFilePermissions(dataFile(name), 0644);

    SaveBaseToArj(*dm, folder);
    EXPECT_TRUE(failed().isEmpty());
    EXPECT_EQ(FilePermissions(archive + "/Tessal.sqb"), 0600);
    EXPECT_EQ(FilePermissions(archive + "/k.cod"), 0600);

    SetFilePermissions(archive + "/Tessal.sqb", 0640);
    SaveBaseToArj(*dm, folder);
    EXPECT_TRUE(failed().isEmpty());
    EXPECT_EQ(FilePermissions(archive + "/Tessal.sqb"), 0640);
    EXPECT_EQ(FilePermissions(archive + "/k.cod"), 0600);
    EXPECT_EQ(FilePermissions(dataFile("Tessal.sqb")), 0644);
}

TEST_F(ArchiveTest, MissingParentFolderLeavesTheDatabaseUsable)
{
    insertCertificate(certificate(1, 1));
    selectCertificate(1);
    SaveBaseToArj(*dm, home.path() + QStringLiteral("/no/such/folder"));

    const auto failures = failed();
    ASSERT_EQ(failures.size(), 2);
    EXPECT_TRUE(failures[0].strings.value(0).endsWith("/data/Tessal.sqb"));
    EXPECT_TRUE(failures[1].strings.value(0).endsWith("/data/k.cod"));
    EXPECT_EQ(failures[0].strings.value(2), SysErrorText(3));
    EXPECT_TRUE(copied().isEmpty());
    EXPECT_TRUE(journal.sink().withId(EventId::ExceptionCaught).isEmpty());

    ASSERT_TRUE(dm->ASQLite3DBd.isOpen());
    ASSERT_TRUE(dm->ASQM.isActive());
    EXPECT_EQ(dm->ASQM.fieldByName("id").asInteger(), 1);
    EXPECT_TRUE(dm->ASQD.isActive());
    insertCertificate(certificate(2, 2));
    EXPECT_EQ(GetNewId(*dm, "ru"), 3);
}

class EditFieldsTest : public StoreFixture {};

TEST_F(EditFieldsTest, KeepsTheBlankInRangeAndCleansTheRow)
{
    const qint64 lastYear = DateToDayNumber(QDate(2025, 12, 30));
    insertCertificate(certificate(1, 12,
                                  {{"Expert", "Author"}, {"DateIssued", today() - 3}, {"Date11", lastYear},
                                   {"BadDate", today()}, {"BadExpert", "Someone"}, {"goTrue", "6007000001"},
                                   {"LastDate", today() - 3}, {"fSize1", 5}, {"fSize2", 6}, {"fSize3", 11},
                                   {"fSize4", QVariant()}, {"fileName13", QStringLiteral("/tmp/act.pdf")},
                                   {"actDate14", QVariant()}, {"actPresent14", 0}}));
    selectCertificate(1);
    App().EditedRowId = 0;
    SetEditFields(*dm);

    EXPECT_EQ(App().EditedRowId, 1);
    EXPECT_EQ(Tag(dm->ASQM), 12);
    EXPECT_EQ(param("id").toLongLong(), 1);
    EXPECT_EQ(param("ReferenceNo").toString(), QStringLiteral("5007000012")) << "year digit of box 11";
    EXPECT_EQ(param("GNum").toLongLong(), 5);
    EXPECT_EQ(param("NumNum").toLongLong(), 12);
    EXPECT_EQ(param("DateIssued").toLongLong(), today());
    EXPECT_EQ(param("LastDate").toLongLong(), today());
    EXPECT_EQ(param("Expert").toString(), QStringLiteral("Expert"));
    for (const char *name : {"BadDate", "BadExpert", "goDuplicate", "goInstead", "goCancel", "goTrue"})
        EXPECT_EQ(param(name), QVariant()) << name;
    EXPECT_EQ(param("fSize1").toLongLong(), 10);
    EXPECT_EQ(param("fSize2").toLongLong(), 6);
    EXPECT_EQ(param("fSize3").toLongLong(), 10);
    EXPECT_EQ(param("fSize4").toLongLong(), 10);
    EXPECT_EQ(param("fSize5").toLongLong(), 10);
    EXPECT_EQ(wideParam("fileName13"), QStringLiteral("/tmp/act.pdf"));
    EXPECT_EQ(wideParam("Sender"), QStringLiteral("Отправитель"));
    EXPECT_EQ(param("Country12").toString(), QStringLiteral("Германия"));
    EXPECT_EQ(param("Date11").toLongLong(), lastYear);
    EXPECT_EQ(param("actDate14").toLongLong(), 0);
    EXPECT_EQ(param("actPresent14").toBool(), false);
}

TEST_F(EditFieldsTest, BlankOutOfRangeTakesANewNumber)
{
    insertCertificate(certificate(1, 1, {{"status", 7}}));
    insertCertificate(certificate(2, 50000));
    selectCertificate(2);
    SetEditFields(*dm);
    EXPECT_EQ(param("ReferenceNo").toString(), QStringLiteral("6007000002"));
    EXPECT_EQ(param("NumNum").toLongLong(), 2);

    App().NumberRangeMin = 1;
    App().NumberRangeMax = 1;
    dm->QueryInsM.paramByName("ReferenceNo").setText("untouched");
    App().EditedRowId = 0;
    SetEditFields(*dm);
    EXPECT_EQ(param("ReferenceNo").toString(), QStringLiteral("untouched")) << "no number: nothing filled";
    EXPECT_EQ(App().EditedRowId, 0);
    EXPECT_EQ(prompter->texts(), QStringList{QStringLiteral("Администратор должен задать АРМу новый диапазон номеров.")});
}
