#include "AtomicFileWriter.h"

#include "ggError.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

AtomicFileWriter::AtomicFileWriter(const QString &fileName) : m_fileName(fileName), m_file(fileName)
{
    if (!m_file.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("Не удалось создать файл %1: %2").arg(fileName, m_file.errorString()));
}

void AtomicFileWriter::fail(const QString &reason)
{
    m_file.cancelWriting();
    throw AppError(QStringLiteral("Не удалось записать файл %1: %2").arg(m_fileName, reason));
}

void AtomicFileWriter::write(QByteArrayView bytes)
{
    if (m_file.write(bytes.data(), bytes.size()) != bytes.size())
        fail(m_file.errorString());
}

void AtomicFileWriter::commit()
{
    // The buffered tail and the delayed allocation on the disk fail only
    // here; the rename must not happen before both are known to have worked.
    if (!m_file.flush())
        fail(m_file.errorString());
    if (::fsync(m_file.handle()) != 0)
        fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!m_file.commit())
        throw AppError(QStringLiteral("Не удалось записать файл %1: %2").arg(m_fileName, m_file.errorString()));
}
