#include "ZipArchive.h"
#include "AppError.h"
#include "SystemErrorTexts.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {

// The deflate level of the archives built from files: the one zip takes by default.
constexpr zip_uint32_t DeflateLevel = 6;

// The operator's words for libzip's error codes.
QString LibzipWords(int code)
{
    switch (code) {
    case ZIP_ER_MULTIDISK: return QStringLiteral("Многотомные zip-архивы не поддерживаются");
    case ZIP_ER_RENAME: return QStringLiteral("Не удалось переименовать временный файл");
    case ZIP_ER_CLOSE: return QStringLiteral("Не удалось закрыть zip-архив");
    case ZIP_ER_SEEK: return QStringLiteral("Ошибка перемещения по файлу");
    case ZIP_ER_READ: return QStringLiteral("Ошибка чтения");
    case ZIP_ER_WRITE: return QStringLiteral("Ошибка записи");
    case ZIP_ER_CRC: return QStringLiteral("Не сходится контрольная сумма (CRC): архив повреждён");
    case ZIP_ER_ZIPCLOSED: return QStringLiteral("zip-архив уже закрыт");
    case ZIP_ER_NOENT: return QStringLiteral("Нет такого файла");
    case ZIP_ER_EXISTS: return QStringLiteral("Файл уже существует");
    case ZIP_ER_OPEN: return QStringLiteral("Не удалось открыть файл");
    case ZIP_ER_TMPOPEN: return QStringLiteral("Не удалось создать временный файл");
    case ZIP_ER_ZLIB: return QStringLiteral("Ошибка распаковки данных: архив повреждён");
    case ZIP_ER_MEMORY: return QStringLiteral("Недостаточно памяти");
    case ZIP_ER_CHANGED: return QStringLiteral("Элемент архива изменён");
    case ZIP_ER_COMPNOTSUPP: return QStringLiteral("Метод сжатия не поддерживается");
    case ZIP_ER_EOF: return QStringLiteral("Файл обрывается раньше конца архива");
    case ZIP_ER_INVAL: return QStringLiteral("Недопустимый аргумент");
    case ZIP_ER_NOZIP: return QStringLiteral("Не является zip-архивом");
    case ZIP_ER_INTERNAL: return QStringLiteral("Внутренняя ошибка");
    case ZIP_ER_INCONS: return QStringLiteral("zip-архив повреждён: его части не согласуются");
    case ZIP_ER_REMOVE: return QStringLiteral("Не удалось удалить файл");
    case ZIP_ER_DELETED: return QStringLiteral("Элемент архива удалён");
    case ZIP_ER_ENCRNOTSUPP: return QStringLiteral("Метод шифрования не поддерживается");
    case ZIP_ER_RDONLY: return QStringLiteral("zip-архив открыт только для чтения");
    case ZIP_ER_NOPASSWD: return QStringLiteral("Не указан пароль");
    case ZIP_ER_WRONGPASSWD: return QStringLiteral("Неверный пароль");
    case ZIP_ER_OPNOTSUPP: return QStringLiteral("Операция не поддерживается");
    case ZIP_ER_INUSE: return QStringLiteral("Ресурс ещё используется");
    case ZIP_ER_TELL: return QStringLiteral("Ошибка определения позиции в файле");
    case ZIP_ER_COMPRESSED_DATA: return QStringLiteral("Сжатые данные повреждены");
    case ZIP_ER_CANCELLED: return QStringLiteral("Операция отменена");
    default: return QString();
    }
}

// libzip's error in the operator's words, with the system's cause after a
// colon when libzip names one; libzip's own text for a code without words.
QString LibzipText(zip_error_t *error)
{
    const QString words = LibzipWords(zip_error_code_zip(error));
    if (words.isEmpty())
        return QString::fromUtf8(zip_error_strerror(error));
    const int cause = zip_error_code_system(error);
    if (zip_error_system_type(error) == ZIP_ET_SYS && cause != 0)
        return words + QStringLiteral(": ") + ErrnoText(cause);
    return words + QLatin1Char('.');
}

QString ArchiveText(zip_t *archive) { return LibzipText(zip_get_error(archive)); }

bool IsDrive(const QByteArray &part) { return part.size() == 2 && part[1] == ':' && std::isalpha(uchar(part[0])); }

// The content of an archive that holds no entry: its end record alone.
const QByteArray EmptyArchive = QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');

} // namespace

bool IsSafeZipEntryName(const QByteArray &rawName)
{
    if (rawName.isEmpty() || rawName.startsWith('/'))
        return false;
    for (const char c : rawName)
        if (uchar(c) < 0x20 || c == 0x7F || c == '\\')
            return false;
    const QList<QByteArray> parts = rawName.split('/');
    if (IsDrive(parts.first()))
        return false;
    for (const QByteArray &part : parts)
        if (part == "..")
            return false;
    return true;
}

struct ZipReader::Handle {
    QByteArray bytes; // the archive: libzip reads it in place
    zip_t *archive = nullptr;
    ~Handle()
    {
        if (archive)
            zip_discard(archive);
    }
};

ZipReader::ZipReader(const QByteArray &archive, ZipLimits limits) : m_handle(std::make_unique<Handle>())
{
    m_handle->bytes = archive;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source =
        zip_source_buffer_create(m_handle->bytes.constData(), zip_uint64_t(m_handle->bytes.size()), 0, &error);
    if (source)
        m_handle->archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!m_handle->archive) {
        if (source)
            zip_source_free(source);
        const QString text = LibzipText(&error);
        zip_error_fini(&error);
        throw AppError(QStringLiteral("Не удалось открыть zip-архив: ") + text);
    }
    zip_error_fini(&error);
    readDirectory(limits);
}

ZipReader::ZipReader(FromFile, const QString &path, ZipLimits limits) : m_handle(std::make_unique<Handle>())
{
    int code = 0;
    m_handle->archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!m_handle->archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString text = LibzipText(&error);
        zip_error_fini(&error);
        throw AppError(QStringLiteral("Не удалось открыть zip-архив: ") + text);
    }
    readDirectory(limits);
}

void ZipReader::readDirectory(const ZipLimits &limits)
{
    const zip_int64_t count = zip_get_num_entries(m_handle->archive, 0);
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(m_handle->archive, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        const char *name = zip_get_name(m_handle->archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (!raw || !name || zip_stat_index(m_handle->archive, zip_uint64_t(i), 0, &stat) != 0
            || !(stat.valid & ZIP_STAT_SIZE))
            throw AppError(QStringLiteral("unreadable zip entry: ") + ArchiveText(m_handle->archive));
        const QString entryName = QString::fromUtf8(name);
        if (!IsSafeZipEntryName(QByteArray(raw)))
            throw AppError(QStringLiteral("zip entry name refused: ") + entryName);
        if (stat.size > zip_uint64_t(limits.entryBytes))
            throw AppError(QStringLiteral("zip entry too large: %1 (%2 bytes)").arg(entryName).arg(stat.size));
        total += qint64(stat.size);
        if (total > limits.totalBytes)
            throw AppError(QStringLiteral("zip archive too large: more than %1 bytes").arg(limits.totalBytes));
        m_entries.push_back({entryName, qint64(stat.size)});
    }
}

ZipReader::~ZipReader() = default;

int ZipReader::find(const QString &name) const
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].name == name)
            return int(i);
    return -1;
}

QByteArray ZipReader::read(int index) const
{
    QByteArray content;
    if (index >= 0 && size_t(index) < m_entries.size())
        content.reserve(m_entries[size_t(index)].size);
    readInto(index, [&content](const char *data, qsizetype size) { content.append(data, size); });
    return content;
}

void ZipReader::readInto(int index, const std::function<void(const char *, qsizetype)> &sink) const
{
    if (index < 0 || size_t(index) >= m_entries.size())
        throw AppError(QStringLiteral("no zip entry %1").arg(index));
    const ZipEntry &entry = m_entries[size_t(index)];
    zip_file_t *file = zip_fopen_index(m_handle->archive, zip_uint64_t(index), 0);
    if (!file)
        throw AppError(QStringLiteral("cannot read zip entry %1: %2").arg(entry.name, ArchiveText(m_handle->archive)));
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> open(file, &zip_fclose);
    // A small entry takes one read of its size and a byte more.
    QByteArray block(qsizetype(std::min<qint64>(entry.size + 1, qint64(1) << 20)), Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        const zip_int64_t step = zip_fread(file, block.data(), zip_uint64_t(block.size()));
        if (step < 0)
            throw AppError(QStringLiteral("cannot read zip entry %1: %2")
                               .arg(entry.name, LibzipText(zip_file_get_error(file))));
        if (step == 0)
            break;
        got += step;
        // Never more than declared: one byte beyond it shows a lying entry.
        if (got > entry.size)
            break;
        sink(block.constData(), qsizetype(step));
    }
    if (got != entry.size)
        throw AppError(QStringLiteral("zip entry %1 does not hold its declared size").arg(entry.name));
}

QByteArray ZipReader::read(const QString &name) const
{
    const int index = find(name);
    if (index < 0)
        throw AppError(QStringLiteral("no zip entry ") + name);
    return read(index);
}

struct ZipWriter::Handle {
    zip_source_t *target = nullptr; // the archive's bytes, in memory
    zip_t *archive = nullptr;
    std::vector<QByteArray> contents; // libzip reads them when the archive is finished
    int entries = 0;
    ~Handle()
    {
        if (archive)
            zip_discard(archive);
        if (target)
            zip_source_free(target);
    }
};

ZipWriter::ZipWriter() : m_handle(std::make_unique<Handle>())
{
    zip_error_t error;
    zip_error_init(&error);
    m_handle->target = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (m_handle->target) {
        zip_source_keep(m_handle->target); // it outlives the archive object
        m_handle->archive = zip_open_from_source(m_handle->target, ZIP_TRUNCATE, &error);
    }
    const QString text = LibzipText(&error);
    zip_error_fini(&error);
    if (!m_handle->archive)
        throw AppError(QStringLiteral("cannot start a zip archive: ") + text);
}

ZipWriter::~ZipWriter() = default;

void ZipWriter::add(const QString &name, const QByteArray &content)
{
    const QByteArray utf8 = name.toUtf8();
    if (!IsSafeZipEntryName(utf8))
        throw AppError(QStringLiteral("zip entry name refused: ") + name);
    if (!m_handle->archive)
        throw AppError(QStringLiteral("the zip archive is already finished"));
    m_handle->contents.push_back(content);
    const QByteArray &kept = m_handle->contents.back();
    zip_source_t *source = zip_source_buffer(m_handle->archive, kept.constData(), zip_uint64_t(kept.size()), 0);
    if (!source)
        throw AppError(QStringLiteral("cannot add zip entry %1: %2").arg(name, ArchiveText(m_handle->archive)));
    if (zip_file_add(m_handle->archive, utf8.constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(source);
        throw AppError(QStringLiteral("cannot add zip entry %1: %2").arg(name, ArchiveText(m_handle->archive)));
    }
    ++m_handle->entries;
}

QByteArray ZipWriter::finish()
{
    if (!m_handle->archive)
        throw AppError(QStringLiteral("the zip archive is already finished"));
    if (zip_close(m_handle->archive) != 0)
        throw AppError(QStringLiteral("cannot write the zip archive: ") + ArchiveText(m_handle->archive));
    m_handle->archive = nullptr;
    if (m_handle->entries == 0)
        return EmptyArchive;

    zip_source_t *target = m_handle->target;
    if (zip_source_open(target) < 0)
        throw AppError(QStringLiteral("cannot read the zip archive back: ") + LibzipText(zip_source_error(target)));
    QByteArray bytes;
    char chunk[65536];
    zip_int64_t got = 0;
    while ((got = zip_source_read(target, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, qsizetype(got));
    const QString failure = got < 0 ? LibzipText(zip_source_error(target)) : QString();
    zip_source_close(target);
    if (got < 0)
        throw AppError(QStringLiteral("cannot read the zip archive back: ") + failure);
    return bytes;
}

ZipFileWriter::ZipFileWriter(const QString &archivePath) : m_path(archivePath)
{
    const QByteArray path = QFile::encodeName(archivePath);
    // libzip makes its temporary with the permissions of the file it replaces.
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0 || ::close(fd) != 0) {
        const QString text = ErrnoText(errno);
        if (fd >= 0)
            ::unlink(path.constData());
        throw AppError(QStringLiteral("Не удалось создать zip-архив %1: %2").arg(archivePath, text));
    }
    int code = 0;
    m_archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!m_archive) {
        ::unlink(path.constData());
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString text = LibzipText(&error);
        zip_error_fini(&error);
        throw AppError(QStringLiteral("cannot start the zip archive %1: %2").arg(archivePath, text));
    }
}

ZipFileWriter::~ZipFileWriter()
{
    if (m_archive) {
        zip_discard(m_archive);
        QFile::remove(m_path);
    }
}

void ZipFileWriter::addFile(const QString &name, const QString &sourcePath)
{
    const QByteArray utf8 = name.toUtf8();
    if (!IsSafeZipEntryName(utf8))
        throw AppError(QStringLiteral("zip entry name refused: ") + name);
    if (!m_archive)
        throw AppError(QStringLiteral("the zip archive is already finished"));
    zip_source_t *source = zip_source_file(m_archive, QFile::encodeName(sourcePath).constData(), 0, -1);
    if (!source)
        throw AppError(QStringLiteral("cannot add zip entry %1: %2").arg(name, ArchiveText(m_archive)));
    const zip_int64_t index = zip_file_add(m_archive, utf8.constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        throw AppError(QStringLiteral("cannot add zip entry %1: %2").arg(name, ArchiveText(m_archive)));
    }
    // libzip deflates at its best and slowest level unless told; the level
    // zip takes by default packs the packet about as tight in a third of the time.
    if (zip_set_file_compression(m_archive, zip_uint64_t(index), ZIP_CM_DEFLATE, DeflateLevel) < 0)
        throw AppError(QStringLiteral("cannot add zip entry %1: %2").arg(name, ArchiveText(m_archive)));
}

void ZipFileWriter::finish()
{
    if (!m_archive)
        throw AppError(QStringLiteral("the zip archive is already finished"));
    if (zip_close(m_archive) != 0) {
        const QString text = ArchiveText(m_archive);
        throw AppError(QStringLiteral("cannot write the zip archive %1: %2").arg(m_path, text));
    }
    m_archive = nullptr;
}
