#include "SystemErrorTexts.h"

#include <QHash>
#include <cerrno>
#include <cstring>

namespace {

const QHash<int, QString> &RussianTexts()
{
    static const QHash<int, QString> texts = {
        {EPERM, QStringLiteral("Операция не разрешена.")},
        {ENOENT, QStringLiteral("Нет такого файла или папки.")},
        {ESRCH, QStringLiteral("Нет такого процесса.")},
        {EINTR, QStringLiteral("Операция прервана.")},
        {EIO, QStringLiteral("Ошибка ввода/вывода.")},
        {ENXIO, QStringLiteral("Нет такого устройства или адреса.")},
        {ENOEXEC, QStringLiteral("Файл не является исполняемой программой.")},
        {EBADF, QStringLiteral("Неверный дескриптор файла.")},
        {EAGAIN, QStringLiteral("Ресурс временно недоступен.")},
        {ENOMEM, QStringLiteral("Недостаточно памяти.")},
        {EACCES, QStringLiteral("Отказано в доступе.")},
        {EBUSY, QStringLiteral("Устройство или ресурс занят.")},
        {EEXIST, QStringLiteral("Файл уже существует.")},
        {EXDEV, QStringLiteral("Файлы находятся на разных устройствах.")},
        {ENODEV, QStringLiteral("Нет такого устройства.")},
        {ENOTDIR, QStringLiteral("Часть пути не является папкой.")},
        {EISDIR, QStringLiteral("Это папка, а не файл.")},
        {EINVAL, QStringLiteral("Недопустимый аргумент.")},
        {ENFILE, QStringLiteral("Слишком много открытых файлов в системе.")},
        {EMFILE, QStringLiteral("Слишком много открытых файлов.")},
        {ETXTBSY, QStringLiteral("Файл занят.")},
        {EFBIG, QStringLiteral("Файл слишком велик.")},
        {ENOSPC, QStringLiteral("На диске не осталось места.")},
        {ESPIPE, QStringLiteral("Недопустимое перемещение по файлу.")},
        {EROFS, QStringLiteral("Диск доступен только для чтения.")},
        {EMLINK, QStringLiteral("Слишком много ссылок на файл.")},
        {EPIPE, QStringLiteral("Канал связи закрыт.")},
        {ENAMETOOLONG, QStringLiteral("Слишком длинное имя файла.")},
        {ENOTEMPTY, QStringLiteral("Папка не пуста.")},
        {ELOOP, QStringLiteral("Слишком много уровней символических ссылок.")},
        {EOPNOTSUPP, QStringLiteral("Операция не поддерживается.")},
        {EADDRINUSE, QStringLiteral("Адрес уже используется.")},
        {ENETDOWN, QStringLiteral("Сеть не работает.")},
        {ENETUNREACH, QStringLiteral("Сеть недоступна.")},
        {ECONNABORTED, QStringLiteral("Соединение прервано.")},
        {ECONNRESET, QStringLiteral("Соединение сброшено другой стороной.")},
        {ENOTCONN, QStringLiteral("Нет соединения.")},
        {ETIMEDOUT, QStringLiteral("Превышено время ожидания соединения.")},
        {ECONNREFUSED, QStringLiteral("В соединении отказано.")},
        {EHOSTDOWN, QStringLiteral("Узел сети не отвечает.")},
        {EHOSTUNREACH, QStringLiteral("Нет пути к узлу сети.")},
        {ESTALE, QStringLiteral("Файл на сетевом диске больше недоступен.")},
        {EDQUOT, QStringLiteral("Превышена дисковая квота.")},
        {ECANCELED, QStringLiteral("Операция отменена.")},
    };
    return texts;
}

} // namespace

QString ErrnoText(int err)
{
    const auto &texts = RussianTexts();
    if (const auto found = texts.constFind(err); found != texts.constEnd())
        return *found;
    const char *text = strerrordesc_np(err);
    return text ? QString::fromLocal8Bit(text) : QString();
}

QString RussianSystemText(const QString &text)
{
    const auto &texts = RussianTexts();
    for (auto it = texts.constBegin(); it != texts.constEnd(); ++it) {
        // The C library's own text, and the one it gives in this process's language.
        const char *own = strerrordesc_np(it.key());
        if ((own && text == QString::fromLocal8Bit(own)) || text == QString::fromLocal8Bit(std::strerror(it.key())))
            return *it;
    }
    return text;
}
