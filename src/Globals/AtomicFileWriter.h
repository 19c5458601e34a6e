#pragma once
// A file replaced as a whole: the bytes go to a temporary file in the same
// folder, which commit() flushes, syncs and renames over the target. Until
// then, and whenever a step fails, the old file stays as it was; a writer
// dropped without commit() removes its temporary file.
#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

class AtomicFileWriter {
public:
    // Raises AppError when the temporary file cannot be made.
    explicit AtomicFileWriter(const QString &fileName);
    AtomicFileWriter(const AtomicFileWriter &) = delete;
    AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

    // Raises AppError when the bytes cannot be written.
    void write(QByteArrayView bytes);
    // Raises AppError when the flush, the sync or the rename fails.
    void commit();

private:
    [[noreturn]] void fail(const QString &reason);

    QString m_fileName;
    QSaveFile m_file;
};
