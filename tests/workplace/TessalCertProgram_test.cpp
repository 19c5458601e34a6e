// The real TessalCert program on a screenless display, started twice on one
// workstation folder: the second copy says so and ends; each run leaves one
// start and one stop record in data/journal.jsonl.
#include "../store/StoreTestSupport.h"

#include "TestSupport.h"
#include "obDCPcrypt.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

QByteArray FirstStartWorkstationFile()
{
    return Enciphered(WorkstationXml(QByteArray("Name=\"i.cod\" Ver=\"2\""), "<for>TessalForm</for>",
                                     "<port>8443</port>", "<usersOld>False</usersOld>"));
}

std::unique_ptr<QProcess> StartTessalCert(const QString &home)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TESSAL_HOME"), home);
    env.insert(QStringLiteral("TESSAL_AUTOCLOSE_BOXES"), QStringLiteral("1"));
    env.insert(QStringLiteral("HOME"), home); // the layout store writes below it
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    process->setProcessEnvironment(env);
    process->start(BuiltProgram(QStringLiteral("TessalCert")), {});
    return process;
}

bool WaitForFile(const QString &path, int seconds)
{
    for (int i = 0; i < seconds * 20; ++i) {
        if (QFile::exists(path))
            return true;
        QThread::msleep(50);
    }
    return false;
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
    // The database exists once the first run holds the lock and has logged on.
    ASSERT_TRUE(WaitForFile(home.filePath("data/Tessal.sqb"), 30)) << first->readAllStandardError().toStdString();
    QThread::msleep(300);

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
