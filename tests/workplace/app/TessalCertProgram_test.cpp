// The real TessalCert program on a screenless display, started twice on one
// workstation folder: the second copy says so and ends; each run leaves one
// start and one stop record in data/journal.jsonl. A stored value its column
// cannot hold does not keep the program from starting.
#include "StoreTestSupport.h"

#include "TessalCertRun.h"
#include "TestSupport.h"
#include "obDCPcrypt.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray FirstStartWorkstationFile()
{
    return Enciphered(WorkstationXml(QByteArray("Name=\"i.cod\" Ver=\"2\""), "<for>TessalForm</for>",
                                     "<port>8443</port>", "<usersOld>False</usersOld>"));
}

// The run has loaded the database and claimed it: the interlock holds the
// run's identifier from then until the shut-down gives it back.
bool InterlockHeld(const QString &databaseFile)
{
    if (!QFile::exists(databaseFile))
        return false;
    try {
        SqliteDatabase database(databaseFile, SqliteDatabase::OpenMode::ReadOnly);
        SqliteStatement interlock(database,
                                  QStringLiteral("select Value from Options where ParamName = :p and UserName = :u"));
        interlock.bindWideBlob(QStringLiteral("p"), QStringLiteral("NetGuid"));
        interlock.bindWideBlob(QStringLiteral("u"), QStringLiteral("COMMON_USER"));
        return interlock.step() && !interlock.columnBlob(0).isEmpty();
    } catch (const std::exception &) {
        return false; // not made yet, or being written
    }
}

// Event ids of the journal, by process id.
QMap<qint64, QStringList> JournalByProcess(const QString &file)
{
    QMap<qint64, QStringList> ids;
    for (const QByteArray &line : ReadWholeFile(file).split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        ids[record.value(QStringLiteral("pid")).toInteger()] << record.value(QStringLiteral("eventId")).toString();
    }
    return ids;
}

} // namespace

TEST(TessalCertProgram, SecondCopyIsTurnedAwayAndEachRunRecordsStartAndStop)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    WriteWholeFile(home.filePath("data/i.cod"), FirstStartWorkstationFile());
    WriteWholeFile(home.filePath("data/Package.cod"), ReadWholeFile(FixturePath("store/Package.cod")));

    auto first = StartTessalCert(home.path());
    ASSERT_TRUE(first->waitForStarted());
    const qint64 firstPid = first->processId();
    // The first run holds the lock, has logged on and has claimed the database.
    ASSERT_TRUE(PollUntil([&] { return InterlockHeld(home.filePath("data/Tessal.sqb")); }, 60))
        << first->readAllStandardError().toStdString();

    auto second = StartTessalCert(home.path());
    ASSERT_TRUE(second->waitForStarted());
    const qint64 secondPid = second->processId();
    ASSERT_TRUE(second->waitForFinished(30000));
    EXPECT_NE(second->exitCode(), 0); // it did not start
    EXPECT_TRUE(QString::fromUtf8(second->readAllStandardError())
                    .contains(QStringLiteral("message box: Tessal: Программа уже работает")));

    ASSERT_EQ(first->state(), QProcess::Running) << first->readAllStandardError().toStdString();
    first->terminate(); // ends the message loop; the shut-down runs
    ASSERT_TRUE(first->waitForFinished(30000));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);

    const QMap<qint64, QStringList> journal = JournalByProcess(home.filePath("data/journal.jsonl"));
    const QStringList firstIds = journal.value(firstPid);
    const QStringList secondIds = journal.value(secondPid);
    EXPECT_EQ(secondIds, (QStringList{"0x40000201", "0x40000207"}));
    EXPECT_EQ(firstIds.count("0x40000201"), 1);
    EXPECT_EQ(firstIds.count("0x40000207"), 1);
    EXPECT_EQ(firstIds.count("0x40007200"), 1); // the default administrator was made
    ASSERT_FALSE(firstIds.isEmpty());
    EXPECT_EQ(firstIds.first(), QStringLiteral("0x40000201"));
    EXPECT_EQ(firstIds.last(), QStringLiteral("0x40000207"));

    // The first run wrote k.cod at its end and gave the database back.
    EXPECT_TRUE(QFile::exists(home.filePath("data/k.cod")));
    SqliteDatabase database(home.filePath("data/Tessal.sqb"), SqliteDatabase::OpenMode::ReadOnly);
    SqliteStatement interlock(database,
                              QStringLiteral("select Value from Options where ParamName = :p and UserName = :u"));
    interlock.bindWideBlob(QStringLiteral("p"), QStringLiteral("NetGuid"));
    interlock.bindWideBlob(QStringLiteral("u"), QStringLiteral("COMMON_USER"));
    ASSERT_TRUE(interlock.step());
    EXPECT_TRUE(interlock.columnBlob(0).isEmpty());
}

TEST(TessalCertProgram, AUsersFileNestedTooDeepIsSetAsideAndTheRunGoesOn)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    WriteWholeFile(home.filePath("data/i.cod"), FirstStartWorkstationFile());
    WriteWholeFile(home.filePath("data/Package.cod"), ReadWholeFile(FixturePath("store/Package.cod")));
    // The users' fields hold a nested field 15,000 levels deep.
    QByteArray packet = ReadWholeFile(FixturePath("datapacket/k-users.xml"));
    packet.replace("<FIELD attrname=\"Password\" fieldtype=\"bin.hex\" SUBTYPE=\"Binary\" WIDTH=\"32\"/>",
                   QByteArray("<FIELD attrname=\"x\" fieldtype=\"nested\"><FIELDS>").repeated(15000)
                       + QByteArray("</FIELDS></FIELD>").repeated(15000));
    const QByteArray usersFile = Enciphered(packet);
    WriteWholeFile(home.filePath("data/k.cod"), usersFile);

    auto run = StartTessalCert(home.path());
    ASSERT_TRUE(run->waitForStarted());
    ASSERT_TRUE(PollUntil([&] { return InterlockHeld(home.filePath("data/Tessal.sqb")); }, 60))
        << run->readAllStandardError().toStdString();
    ASSERT_EQ(run->state(), QProcess::Running) << run->readAllStandardError().toStdString();
    run->terminate();
    ASSERT_TRUE(run->waitForFinished(30000));
    EXPECT_EQ(run->exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(QString::fromUtf8(run->readAllStandardError())
                    .contains(QStringLiteral("Пользователи утрачены. Будет создан новый файл.")));

    const QStringList setAside = QDir(home.filePath("data")).entryList({"k.cod.unreadable-*"}, QDir::Files);
    ASSERT_EQ(setAside.size(), 1);
    EXPECT_EQ(ReadWholeFile(home.filePath("data/" + setAside[0])), usersFile);
    EXPECT_TRUE(QFile::exists(home.filePath("data/k.cod"))) << "a new users file was written at the end";
}

namespace {

// The second strings of the journal's records with this event id from one process.
QStringList JournalTexts(const QString &file, qint64 pid, const QString &eventId)
{
    QStringList texts;
    for (const QByteArray &line : ReadWholeFile(file).split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.value(QStringLiteral("pid")).toInteger() == pid
            && record.value(QStringLiteral("eventId")).toString() == eventId)
            texts << record.value(QStringLiteral("strings")).toArray().at(1).toString();
    }
    return texts;
}

} // namespace

TEST_F(StoreTest, AStoredValueItsColumnCannotHoldDoesNotStopTheStart)
{
    loadedModule();
    module.reset();
    RunSqlScript(databaseFile(), OddCellsSql);

    auto program = StartTessalCert(home.path());
    ASSERT_TRUE(program->waitForStarted());
    const qint64 pid = program->processId();
    const QString journalFile = dataFile("journal.jsonl");
    // The values are read when the list shows its page, after the database
    // is claimed; the program still running once all three are journalled
    // shows the start went on past them.
    QStringList warnings;
    ASSERT_TRUE(PollUntil(
        [&] {
            warnings = JournalTexts(journalFile, pid, QStringLiteral("0x40000653"));
            return warnings.size() >= 3 || program->state() != QProcess::Running;
        },
        60))
        << warnings.join('\n').toStdString();
    ASSERT_EQ(program->state(), QProcess::Running) << program->readAllStandardError().toStdString();
    ASSERT_TRUE(InterlockHeld(databaseFile()));
    program->terminate();
    ASSERT_TRUE(program->waitForFinished(30000));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0);

    // Each value is met once: nothing more was journalled until the end.
    warnings = JournalTexts(journalFile, pid, QStringLiteral("0x40000653"));
    ASSERT_EQ(warnings.size(), 3) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings[0].startsWith("table mcod, row id 1, column Date11:")) << warnings[0].toStdString();
    EXPECT_TRUE(warnings[1].startsWith("table mcod, row id 2, column fSize1:")) << warnings[1].toStdString();
    EXPECT_TRUE(warnings[2].startsWith("table mcod, row id 3, column status:")) << warnings[2].toStdString();
    EXPECT_EQ(JournalByProcess(journalFile).value(pid).count("0x40000207"), 1); // the run ended as usual
}
