#include "ggDebug.h"
#include "EventJournal.h"
#include "MachineLock.h"
#include "SystemErrorTexts.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <limits>
#include <cerrno>

namespace {

constexpr uint32_t ErrorAlreadyExists = 183;

// Our own texts for the Windows and WinInet numbers the program reports.
const QHash<uint32_t, QString> &systemTexts()
{
    static const QHash<uint32_t, QString> texts = {
        {0, QStringLiteral("Операция успешно завершена.")},
        {2, QStringLiteral("Не удается найти указанный файл.")},
        {3, QStringLiteral("Системе не удается найти указанный путь.")},
        {5, QStringLiteral("Отказано в доступе.")},
        {8, QStringLiteral("Недостаточно памяти для обработки команды.")},
        {112, QStringLiteral("Недостаточно места на диске.")},
        {183, QStringLiteral("Невозможно создать файл, так как он уже существует.")},
        {193, QStringLiteral("Файл не является исполняемой программой.")},
        {1117, QStringLiteral("Запрос не был выполнен из-за ошибки ввода/вывода на устройстве.")},
        {1168, QStringLiteral("Элемент не найден.")},
        {12001, QStringLiteral("Нет свободных дескрипторов для подключения к Интернету.")},
        {12002, QStringLiteral("Превышен интервал ожидания операции.")},
        {12004, QStringLiteral("Произошла внутренняя ошибка.")},
        {12005, QStringLiteral("Недопустимый URL-адрес.")},
        {12006, QStringLiteral("Протокол URL-адреса не распознан.")},
        {12007, QStringLiteral("Не удается разрешить имя или адрес сервера.")},
        {12017, QStringLiteral("Операция отменена.")},
        {12018, QStringLiteral("Неверный тип дескриптора для этой операции.")},
        {12019, QStringLiteral("Неверное состояние дескриптора для этой операции.")},
        {12029, QStringLiteral("Не удается установить соединение с сервером.")},
        {12030, QStringLiteral("Соединение с сервером было неожиданно прервано.")},
        {12031, QStringLiteral("Соединение с сервером было сброшено.")},
        {12037, QStringLiteral("Истек срок действия сертификата безопасности сервера или он еще не вступил в силу.")},
        {12038, QStringLiteral("Имя в сертификате безопасности сервера не совпадает с именем сервера.")},
        {12040, QStringLiteral("Перенаправление ведет с защищенного соединения на незащищенное.")},
        {12044, QStringLiteral("Сервер требует сертификат для проверки подлинности клиента.")},
        {12045, QStringLiteral("Центр сертификации сервера недопустим или не является доверенным.")},
        {12057, QStringLiteral("Не удалось проверить, отозван ли сертификат сервера.")},
        {12150, QStringLiteral("Запрошенный заголовок не найден.")},
        {12152, QStringLiteral("Ответ сервера недопустим или не распознан.")},
        {12156, QStringLiteral("Перенаправление не удалось: изменилась схема адреса или исчерпаны попытки перенаправления.")},
        {12157, QStringLiteral("Ошибка в защищенном канале связи с сервером.")},
        {12169, QStringLiteral("Недопустимый сертификат безопасности сервера.")},
        {12175, QStringLiteral("Ошибка при декодировании содержимого ответа сервера.")},
    };
    return texts;
}

// The message modules the program reads, by file name (lower case).
const QHash<QString, QHash<uint32_t, QString>> &messageModules()
{
    static const QHash<QString, QHash<uint32_t, QString>> modules = {
        {QStringLiteral("ruvuvidederodirod.dll"),
         {{0x40007102, QStringLiteral("Tessal\r\n")}}}, // the application title
    };
    return modules;
}

QString moduleFileName(const QString &modulePath)
{
    const qsizetype cut = std::max(modulePath.lastIndexOf(QLatin1Char('\\')), modulePath.lastIndexOf(QLatin1Char('/')));
    return modulePath.mid(cut + 1).toLower();
}

} // namespace

QString SysErrorText(uint32_t code)
{
    const auto &texts = systemTexts();
    if (const auto found = texts.constFind(code); found != texts.constEnd())
        return *found + QStringLiteral("\r\n");
    if (code > uint32_t(std::numeric_limits<int>::max()))
        return {};
    const QString text = ErrnoText(int(code));
    return text.isEmpty() ? QString() : text + QStringLiteral("\r\n");
}

uint32_t WindowsErrorFromErrno(int err)
{
    switch (err) {
    case EPERM:
    case EACCES: return 5;
    case ENOENT: return 2;
    case ENOTDIR: return 3;
    case ESRCH: return 1168;
    case EIO: return 1117;
    case ENOEXEC: return 193;
    case ENOMEM: return 8;
    case EEXIST: return ErrorAlreadyExists;
    case ENOSPC: return 112;
    case ETIMEDOUT: return 12002;
    case ECONNREFUSED:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETUNREACH: return 12029;
    case ECONNABORTED: return 12030;
    case ECONNRESET: return 12031;
    default: return uint32_t(err);
    }
}

uint32_t WindowsErrorForPath(int err, const QString &path)
{
    constexpr uint32_t ErrorPathNotFound = 3;
    if (err == ENOENT && !QFileInfo(QFileInfo(path).absolutePath()).isDir())
        return ErrorPathNotFound;
    return WindowsErrorFromErrno(err);
}

QString MessageFromModule(const QString &modulePath, uint32_t messageId)
{
    const auto &modules = messageModules();
    const auto module = modules.constFind(moduleFileName(modulePath));
    if (module == modules.constEnd())
        return {};
    const auto text = module->constFind(messageId);
    if (text == module->constEnd() || text->size() < 2)
        return {};
    return text->left(text->size() - 2);
}

void ReportEventLog(const QString &sourceName, uint16_t eventType, uint16_t category,
                    const QStringList &strings, uint32_t eventId)
{
    try {
        EventRecord record;
        record.source = sourceName;
        record.type = eventType;
        record.category = category;
        record.eventId = eventId;
        record.strings = strings;
        EventJournal::instance().write(std::move(record));
    } catch (...) {
    }
}

int CreateGlobalMutex(const QString &name)
{
    try {
        const MachineLockResult result = TakeMachineLock(name);
        switch (result.outcome) {
        case MachineLockResult::Taken: return 0;
        case MachineLockResult::HeldElsewhere: return int(ErrorAlreadyExists);
        case MachineLockResult::Failed: break;
        }
        const auto code = int(WindowsErrorFromErrno(result.error));
        return code == 0 ? 1 : code;
    } catch (...) {
        return 1;
    }
}
