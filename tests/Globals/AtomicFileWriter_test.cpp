#include "ggError.h"
#include "AtomicFileWriter.h"
#include "ggFiles.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// While it lives, no file may grow at all: every write fails as on a full disk.
class NoRoomOnDisk {
public:
    NoRoomOnDisk()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit none = m_saved;
        none.rlim_cur = 0;
        m_set = setrlimit(RLIMIT_FSIZE, &none) == 0;
    }
    ~NoRoomOnDisk() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    bool set() const { return m_set; }

private:
    rlimit m_saved {};
    bool m_set = false;
};

// While it lives, every sync before a rename fails as a failing disk's does
// (EIO), and counts the calls.
class FailingSync {
public:
    FailingSync() : m_saved(ReplaceFileSyncCall(&FailingSync::fail)) { calls = 0; }
    ~FailingSync() { ReplaceFileSyncCall(m_saved); }
    static inline int calls = 0;

private:
    static int fail(int)
    {
        ++calls;
        errno = EIO;
        return -1;
    }
    FileSyncCall m_saved;
};

// The names of the files in Folder, sorted.
QStringList FilesIn(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

QStringList Sorted(QStringList names)
{
    names.sort();
    return names;
}

// A process id above any the kernel gives out (pid_max is at most 4194304).
const QString NoSuchProcess = QStringLiteral("999999999");

} // namespace

TEST(AtomicFiles, AFailedReplaceLeavesTheOldFileWhateverItsSize)
{
    struct Case {
        const char *name;
        qsizetype size;
    };
    for (const Case &c : {Case{"one byte", 1}, Case{"4 KiB", 4096}, Case{"1 MiB", 1024 * 1024}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir temp;
        const QString target = temp.path() + "/k.cod";
        const QString source = temp.path() + "/source";
        const QByteArray old("old settings\x00\xff", 14);
        const QByteArray fresh(c.size, 'n');
        WriteWholeFile(target, old);
        WriteWholeFile(source, fresh);
        bool writeRaised = false;
        int copyError = 0;
        {
            // Nothing is reported while no file may grow (the report itself could not be written).
            NoRoomOnDisk full;
            ASSERT_TRUE(full.set());
            try {
                WriteFileAtomic(target, fresh);
            } catch (const AppError &) {
                writeRaised = true;
            }
            copyError = CopyFileAtomic(source, target);
        }
        EXPECT_TRUE(writeRaised);
        EXPECT_NE(copyError, 0);
        EXPECT_EQ(ReadWholeFile(target), old);
        EXPECT_EQ(FilesIn(temp.path()), (QStringList{"k.cod", "source"})) << "no temporaries left";

        WriteFileAtomic(target, fresh);
        EXPECT_EQ(ReadWholeFile(target), fresh);
        WriteWholeFile(target, old);
        ASSERT_EQ(CopyFileAtomic(source, target), 0);
        EXPECT_EQ(ReadWholeFile(target), fresh);
    }
}

TEST(AtomicFiles, TemporariesOfEndedProcessesAreRemoved)
{
    QTemporaryDir temp;
    const QString dead = NoSuchProcess;
    const QString alive = QString::number(getpid());
    const QStringList files = {"Tessal.sqb.part-" + dead + "-a1B2c3", // a copy killed part-way
                               "Tessal.sqb.part-" + alive + "-a1B2c3", // a copy still being made
                               "k.cod.part-" + dead + "-Zz9Yy8",
                               "Tessal.sqb.part-" + dead + "-short",   // not of our naming
                               "notes.txt",
                               // the journal of a database opened under a temporary name
                               "Tessal.sqb.part-" + dead + "-Q1w2E3-journal",
                               "Tessal.sqb.part-" + alive + "-Q1w2E3-journal",
                               "Tessal.sqb.part-" + dead + "-Q1w2E3-wal"};
    for (const QString &name : files)
        WriteWholeFile(temp.path() + "/" + name, "partial");
    WriteWholeFile(temp.path() + "/source", "whole");

    // The next copy to a file removes what earlier copies to it left.
    ASSERT_EQ(CopyFileAtomic(temp.path() + "/source", temp.path() + "/Tessal.sqb"), 0);
    EXPECT_FALSE(QFile::exists(temp.path() + "/" + files[0]));
    EXPECT_FALSE(QFile::exists(temp.path() + "/" + files[5]));
    EXPECT_TRUE(QFile::exists(temp.path() + "/" + files[2]));

    // A temporary folder (a restore document's) of an ended process goes
    // whole; one of a running process stays.
    const QString deadFolder = "restore.part-" + dead + "-x1Y2z3";
    const QString liveFolder = "restore.part-" + alive + "-x1Y2z3";
    WriteWholeFile(temp.path() + "/" + deadFolder + "/Tessal.sqb-journal", "document");
    WriteWholeFile(temp.path() + "/" + liveFolder + "/abc", "document");

    // A sweep of the folder removes every one whose process has ended.
    EXPECT_EQ(RemoveStaleTemporaries(temp.path()), 2);
    EXPECT_FALSE(QFileInfo::exists(temp.path() + "/" + deadFolder));
    EXPECT_TRUE(QFile::exists(temp.path() + "/" + liveFolder + "/abc"));
    QFile::remove(temp.path() + "/" + liveFolder + "/abc");
    QDir(temp.path()).rmdir(liveFolder);
    EXPECT_EQ(FilesIn(temp.path()), Sorted({"Tessal.sqb", files[1], files[3], "notes.txt", files[6], files[7],
                                            "source"}));
}

// The files hold the chamber key and the password hashes: nobody but their
// owner may read a new one, whatever the umask, and a replaced file keeps the
// permissions the operator gave it.
TEST(AtomicFiles, NewFilesAreTheOwnersOnlyAndReplacedFilesKeepTheirPermissions)
{
    const ScopedUmask umask(0);
    struct Case {
        const char *name;
        int before;            // the target's permissions; -1: no target yet
        std::function<void(const QString &source, const QString &target)> write;
        int after;
    };
    const auto writeWhole = [](const QString &, const QString &target) { WriteFileAtomic(target, "new"); };
    const auto copy = [](const QString &source, const QString &target) {
        ASSERT_EQ(CopyFileAtomic(source, target), 0);
    };
    const auto executable = [](const QString &, const QString &target) {
        AtomicFileWriter file(target, mode_t(0755));
        file.write("#!/bin/sh\n");
        file.commit();
    };
    const Case cases[] = {
        {"a new file", -1, writeWhole, 0600},
        {"a replaced file readable by all", 0644, writeWhole, 0644},
        {"a replaced file of its group", 0640, writeWhole, 0640},
        {"a copy to a new file, of a source readable by all", -1, copy, 0600},
        {"a copy over a file", 0604, copy, 0604},
        {"a file made executable", -1, executable, 0755},
        {"an executable replaced", 0700, executable, 0755},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir temp;
        const QString source = temp.path() + "/source";
        const QString target = temp.path() + "/Tessal.sqb";
        WriteWholeFile(source, "whole");
        SetFilePermissions(source, 0644);
        if (c.before >= 0) {
            WriteWholeFile(target, "old");
            SetFilePermissions(target, c.before);
        }
        c.write(source, target);
        EXPECT_EQ(FilePermissions(target), c.after) << std::oct << FilePermissions(target);
        EXPECT_EQ(FilePermissions(source), 0644);
    }

    // The content on its way in is its owner's only, even when the file it
    // replaces is readable by all.
    QTemporaryDir temp;
    const QString target = temp.path() + "/k.cod";
    WriteWholeFile(target, "old");
    SetFilePermissions(target, 0644);
    AtomicFileWriter file(target);
    file.write("password hashes");
    EXPECT_EQ(FilePermissions(file.temporaryName()), 0600);
    file.commit();
    EXPECT_EQ(FilePermissions(target), 0644);
}

TEST(AtomicFiles, AFailingSyncStopsTheReplaceBeforeTheRename)
{
    QTemporaryDir temp;
    const QString target = temp.path() + "/i.cod";
    const QString source = temp.path() + "/source";
    const QByteArray old("old workstation file");
    WriteWholeFile(target, old);
    WriteWholeFile(source, "new workstation file");
    {
        FailingSync failing;
        AtomicFileWriter writer(target);
        writer.write("new workstation file");
        try {
            writer.commit();
            ADD_FAILURE() << "the commit succeeded although the data never reached the disk";
        } catch (const FileReplaceError &e) {
            EXPECT_EQ(e.errorNumber(), EIO);
        }
        EXPECT_THROW(WriteFileAtomic(target, "new workstation file"), AppError);
        EXPECT_EQ(CopyFileAtomic(source, target), EIO);
        EXPECT_EQ(FailingSync::calls, 3);
    }
    EXPECT_EQ(ReadWholeFile(target), old);
    EXPECT_EQ(FilesIn(temp.path()), (QStringList{"i.cod", "source"})) << "no temporaries left";

    // With the disk's own sync back, the same replace goes through.
    WriteFileAtomic(target, "new workstation file");
    EXPECT_EQ(ReadWholeFile(target), "new workstation file");
}
