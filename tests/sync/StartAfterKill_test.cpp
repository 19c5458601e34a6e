// What a run killed in the middle of its work leaves in the program folder,
// the next start removes: the offline file's archive, which holds every
// certificate in the clear and is its owner's only while it exists, and the
// folder of an extracted restore document. The work runs in a child process,
// killed with SIGKILL where the case stops it; the next start is the data
// module's load, which every start of the program runs.
#include "OfflineFileFixture.h"

#include "ChildRole.h"
#include "FileDialogs.h"
#include "RestoreFile.h"
#include "SyncWindowCore.h"
#include "ZipArchive.h"
#include "ggFiles.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <csignal>
#include <unistd.h>

namespace {

void Answer(const QByteArray &text)
{
    const QByteArray line = ChildAnswerLine(text);
    (void)!::write(STDOUT_FILENO, line.constData(), size_t(line.size()));
}

[[noreturn]] void WaitToBeKilled()
{
    for (;;)
        ::pause();
}

// The save dialog of the offline file, left open until the run is killed.
class DialogLeftOpen : public FileDialogs {
public:
    std::optional<QString> choose(const FileDialogRequest &) override
    {
        Answer("dialog");
        WaitToBeKilled();
    }
};

struct NoOutput : SyncWindowOutput {
    void logLine(const QString &) override {}
    void statusText(const QString &) override {}
    void helpText(const QString &) override {}
};

// Arguments: the program folder, the restore file.
[[noreturn]] void PlayRole(const QString &role, const QStringList &args)
{
    if (role == QLatin1String("offline file")) {
        TDM dm(args[0]);
        dm.LoadAll();
        SetFileDialogs(std::make_shared<DialogLeftOpen>());
        NoOutput output;
        SyncWindowCore(dm, output).aSaveToFileExecute();
    } else if (role == QLatin1String("restore")) {
        Answer(ExtractRestoreXml(args[1], TestChamberKey, DataDirOf(args[0])).toUtf8());
        WaitToBeKilled();
    }
    _exit(99);
}

// Every entry below Folder (its path from there), with its permissions, or
// -1 for one that cannot be read.
QMap<QString, int> EntriesBelow(const QString &folder)
{
    QMap<QString, int> entries;
    for (QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        entries.insert(QDir(folder).relativeFilePath(path), FilePermissions(path));
    }
    return entries;
}

// libzip writes an archive to "<archive>.XXXXXX" and renames it at its end.
bool ArchiveBeingWritten(const QString &folder)
{
    static const QRegularExpression temporary(QStringLiteral("(^|/)sync\\.zip\\.[A-Za-z0-9]{6}$"));
    for (const QString &entry : EntriesBelow(folder).keys())
        if (temporary.match(entry).hasMatch())
            return true;
    return false;
}

QByteArray RandomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(17).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

} // namespace

TEST(ChildRole, Play)
{
    if (ChildRole().isEmpty())
        GTEST_SKIP() << "only run as a child";
    PlayRole(ChildRole(), ChildArgs());
}

TEST_F(OfflineFileTest, TheNextStartRemovesWhatAKilledRunLeft)
{
    addCertificate(1, 5, true, true);
    // An attached file that does not pack: libzip takes a while over it.
    WriteWholeFile(copyPath(1), RandomBytes(qsizetype(24) << 20));
    ZipWriter restoreZip;
    restoreZip.add(QStringLiteral("DataFromServer.xml"), "<root><row id=\"1\"/></root>");
    QByteArray restoreBytes = restoreZip.finish();
    EncryptWithChamberKey(restoreBytes, TestChamberKey);
    const QString restoreFile = home.filePath("DownLoad/DataFromServer.cod");
    WriteWholeFile(restoreFile, restoreBytes);
    const QString send = home.filePath("send");
    ASSERT_TRUE(QDir().mkpath(send));

    struct Case {
        const char *name;
        QString role;
        QString folder;      // where the run's files lie
        bool childAnswers;   // it says when it has stopped; else the archive is caught being written
        QStringList remains; // of the run's files, once the next start is done
    };
    const Case cases[] = {
        {"offline file, libzip writing the archive", "offline file", send, false, {"sync.xml"}},
        {"offline file, save dialog open", "offline file", send, true, {"sync.xml"}},
        {"restore document extracted", "restore", dataDir(), true, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QMap<QString, int> before = EntriesBelow(c.folder);
        std::unique_ptr<QProcess> child;
        {
            const ScopedUmask anyMode(0); // the run alone decides who may read its files
            child = StartChildRole(c.role, {home.path(), restoreFile});
        }
        if (c.childAnswers)
            ASSERT_FALSE(ReadChildAnswer(*child).isEmpty());
        else
            ASSERT_TRUE(PollUntil([&] { return ArchiveBeingWritten(c.folder); }, 60)) << "never caught writing";
        // Held still while its files are looked at.
        ASSERT_EQ(::kill(pid_t(child->processId()), SIGSTOP), 0);

        QMap<QString, int> made = EntriesBelow(c.folder);
        for (const QString &old : before.keys())
            made.remove(old);
        EXPECT_FALSE(made.isEmpty());
        for (auto entry = made.begin(); entry != made.end(); ++entry) {
            const bool folder = QFileInfo(c.folder + "/" + entry.key()).isDir();
            EXPECT_EQ(entry.value(), folder ? 0700 : 0600)
                << entry.key().toStdString() << " has mode " << std::oct << entry.value();
        }

        child->kill();
        ASSERT_TRUE(child->waitForFinished(30000));
        dm = &loadedModule();

        QStringList left = EntriesBelow(c.folder).keys();
        for (const QString &old : before.keys())
            left.removeAll(old);
        EXPECT_EQ(left.join(", ").toStdString(), c.remains.join(", ").toStdString());
        QFile::remove(sendFile("sync.xml"));
    }
}
