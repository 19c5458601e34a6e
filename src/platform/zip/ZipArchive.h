#pragma once
// Stands for the unzipper and zipper components: zip archives read from and
// written to memory over libzip. Plain content stays in memory; nothing is
// written to disk unless the caller writes it. Every entry name is checked
// (see IsSafeZipEntryName) and sizes are capped before anything is extracted.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

struct zip;

// A name that may stand in an archive: not empty; no leading "/" and no drive
// ("C:"); no ".." part; no backslash; no control character. Parts are
// separated by "/"; a folder entry ends with "/".
bool IsSafeZipEntryName(const QByteArray &rawName);

struct ZipLimits {
    qint64 entryBytes = qint64(256) << 20; // the largest declared size of one entry
    qint64 totalBytes = qint64(1) << 30;   // the largest sum of all declared sizes
};

struct ZipEntry {
    QString name; // as stored (UTF-8, or the archive's old code page converted)
    qint64 size;  // the declared size of its plain content
};

// An archive held in memory, read entry by entry.
class ZipReader {
public:
    struct FromFile {};
    // Reads the archive's directory. Raises AppError when the bytes are no zip
    // archive, when an entry name is not safe, or when a declared size passes
    // the limits (one entry, or all entries together).
    explicit ZipReader(const QByteArray &archive, ZipLimits limits = {});
    // The same for the archive file at Path, which is read where it lies.
    ZipReader(FromFile, const QString &path, ZipLimits limits = {});
    ~ZipReader();
    ZipReader(const ZipReader &) = delete;
    ZipReader &operator=(const ZipReader &) = delete;

    // In the archive's order.
    const std::vector<ZipEntry> &entries() const { return m_entries; }
    // Index of the entry with exactly this name (case-sensitive), or -1.
    int find(const QString &name) const;
    // The plain content of an entry. Raises AppError when the content does not
    // match its declared size or checksum, or cannot be read.
    QByteArray read(int index) const;
    // Raises AppError when there is no such entry.
    QByteArray read(const QString &name) const;
    // Hands the plain content of an entry to Sink piece by piece, checked as
    // read() checks it (the failure may come after some pieces).
    void readInto(int index, const std::function<void(const char *data, qsizetype size)> &sink) const;

private:
    void readDirectory(const ZipLimits &limits);

    struct Handle;
    std::unique_ptr<Handle> m_handle;
    std::vector<ZipEntry> m_entries;
};

// Builds an archive in memory, entry by entry (deflated).
class ZipWriter {
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // Raises AppError for a name that is not safe or is already in the archive.
    void add(const QString &name, const QByteArray &content);
    // The finished archive; the writer takes no more entries afterwards.
    QByteArray finish();

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
};

// Builds an archive file from files (deflated). libzip reads each file while
// it writes the archive at finish(), so no content is held in memory. The
// archive is its owner's only from its first byte: until finish() its path
// holds an empty file of those permissions, which libzip's temporary beside
// it ("<archive>.XXXXXX", renamed over it at finish()) takes over. A writer
// dropped before finish(), or a failed finish(), leaves nothing at the path.
class ZipFileWriter {
public:
    // Raises AppError when the archive cannot be started at ArchivePath.
    explicit ZipFileWriter(const QString &archivePath);
    ~ZipFileWriter();
    ZipFileWriter(const ZipFileWriter &) = delete;
    ZipFileWriter &operator=(const ZipFileWriter &) = delete;

    // Raises AppError for a name that is not safe or is already in the
    // archive, and for a source that cannot be opened.
    void addFile(const QString &name, const QString &sourcePath);
    // Writes the archive; raises AppError when it cannot be written (nothing
    // is left at the archive's path then).
    void finish();

private:
    zip *m_archive = nullptr;
    QString m_path;
};
