#include "ChildRole.h"
#include "CurlTransport.h"
#include "SystemErrorTexts.h"
#include "ggDebug.h"

#include <QProcess>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {
// A lock name no other test run on this machine uses.
QString uniqueLockName(const char *what)
{
    static int serial = 0;
    return QStringLiteral("Global\\{tessal-test-%1-%2-%3}").arg(QLatin1String(what)).arg(getpid()).arg(++serial);
}

// Roles of the child processes.
[[noreturn]] void playRole(const QString &role, const QStringList &args)
{
    const auto answer = [](const QByteArray &text) {
        const QByteArray line = ChildAnswerLine(text);
        (void)!write(STDOUT_FILENO, line.constData(), size_t(line.size()));
    };
    if (role == QLatin1String("take")) {
        _exit(CreateGlobalMutex(args.value(0)));
    } else if (role == QLatin1String("hold")) {
        answer(QByteArray::number(CreateGlobalMutex(args.value(0))));
        for (;;)
            pause(); // until killed
    } else if (role == QLatin1String("hold-and-start")) {
        // Takes the lock, starts a program that outlives it, and ends.
        const int taken = CreateGlobalMutex(args.value(0));
        QProcess sleeper;
        sleeper.setProgram(QStringLiteral("sleep"));
        sleeper.setArguments({QStringLiteral("60")});
        sleeper.setStandardOutputFile(QProcess::nullDevice());
        qint64 pid = 0;
        sleeper.startDetached(&pid);
        answer(QByteArray::number(taken) + ' ' + QByteArray::number(pid));
        _exit(0);
    }
    _exit(99);
}
} // namespace

TEST(ChildRole, Play)
{
    if (ChildRole().isEmpty())
        GTEST_SKIP() << "only run as a child";
    playRole(ChildRole(), ChildArgs());
}

TEST(SysErrorText, KnownNumbersHaveOurTexts)
{
    struct Case { uint32_t code; const char *text; };
    const Case cases[] = {
        {2, "Не удается найти указанный файл.\r\n"},
        {5, "Отказано в доступе.\r\n"},
        {183, "Невозможно создать файл, так как он уже существует.\r\n"},
        {12002, "Превышен интервал ожидания операции.\r\n"},
        {12029, "Не удается установить соединение с сервером.\r\n"},
        {12044, "Сервер требует сертификат для проверки подлинности клиента.\r\n"},
        {uint32_t(ENOLINK), "Link has been severed\r\n"}, // an errno without Russian words: the C library's text
    };
    for (const auto &c : cases)
        EXPECT_EQ(SysErrorText(c.code), QString::fromUtf8(c.text)) << c.code;
    for (const uint32_t unknown : {12345u, 12171u, 2100u, 99999u, 0xFFFFFFFFu})
        EXPECT_TRUE(SysErrorText(unknown).isEmpty()) << unknown;
}

TEST(SysErrorText, EveryNumberTheHttpsClientReportsHasAText)
{
    using namespace net;
    for (const uint32_t code :
         {ErrorOutOfMemory, ErrorTimeout, ErrorInternal, ErrorInvalidUrl, ErrorNameNotResolved,
          ErrorOperationCancelled, ErrorIncorrectHandleState, ErrorConnectionAborted, ErrorConnectionReset,
          ErrorCertDateInvalid, ErrorCertNameInvalid, ErrorHttpsToHttpOnRedirect, ErrorClientCertNeeded,
          ErrorInvalidCa, ErrorCannotConnect, ErrorHeaderNotFound, ErrorInvalidServerResponse, ErrorRedirectFailed,
          ErrorSecureChannel})
        EXPECT_TRUE(SysErrorText(code).endsWith(QStringLiteral(".\r\n"))) << code;
}

TEST(SysErrorText, NoErrnoLandsOnAForeignText)
{
    // An errno passed on unmapped must not meet a Windows text of another meaning.
    for (int err = 1; err < 200; ++err) {
        const char *own = strerrordesc_np(err);
        if (!own)
            continue;
        const uint32_t code = WindowsErrorFromErrno(err);
        EXPECT_FALSE(SysErrorText(code).isEmpty()) << err;
        if (code == uint32_t(err) && err != ENOENT) {
            EXPECT_EQ(SysErrorText(code), ErrnoText(err) + QStringLiteral("\r\n")) << err;
        }
    }
    EXPECT_EQ(WindowsErrorFromErrno(EACCES), 5u);
    EXPECT_EQ(WindowsErrorFromErrno(EEXIST), 183u);
}

// The causes an office meets read in Russian wherever the program reports an
// errno (SysErrorText of the number it reports), and in Qt's file error texts.
TEST(SysErrorText, CommonCausesReadInRussian)
{
    struct Case {
        int err;
        const char *text;
    };
    const Case cases[] = {
        {ENOSPC, "Недостаточно места на диске."},
        {EROFS, "Диск доступен только для чтения."},
        {EACCES, "Отказано в доступе."},
        {ENOENT, "Не удается найти указанный файл."},
        {EEXIST, "Невозможно создать файл, так как он уже существует."},
        {EISDIR, "Это папка, а не файл."},
        {ENOTDIR, "Системе не удается найти указанный путь."},
        {EMFILE, "Слишком много открытых файлов."},
        {EIO, "Запрос не был выполнен из-за ошибки ввода/вывода на устройстве."},
        {EDQUOT, "Превышена дисковая квота."},
        {EFBIG, "Файл слишком велик."},
        {ENAMETOOLONG, "Слишком длинное имя файла."},
        {EBUSY, "Устройство или ресурс занят."},
        {EXDEV, "Файлы находятся на разных устройствах."},
        {ENOTEMPTY, "Папка не пуста."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(strerrordesc_np(c.err));
        const QString english = QString::fromLocal8Bit(strerrordesc_np(c.err));
        EXPECT_EQ(SysErrorText(WindowsErrorFromErrno(c.err)), QString::fromUtf8(c.text) + QStringLiteral("\r\n"));
        EXPECT_NE(ErrnoText(c.err), english);
        EXPECT_NE(RussianSystemText(english), english);
    }
    EXPECT_EQ(RussianSystemText(QStringLiteral("Unknown error")), QStringLiteral("Unknown error"));
}

TEST(MessageFromModule, BuiltInModulesByFileName)
{
    const QString title = MessageFromModule(
        QStringLiteral("%CommonProgramFiles%\\Orbanet\\MessagesForEventLog\\RuvUvidedErodirod.dll"), 0x40007102);
    EXPECT_EQ(title, QStringLiteral("Tessal"));
    EXPECT_TRUE(MessageFromModule(QStringLiteral("C:\\nowhere\\Missing.dll"), 0x40007102).isEmpty());
    EXPECT_TRUE(MessageFromModule(QStringLiteral("RuvUvidedErodirod.dll"), 0x40000103).isEmpty());
}

TEST(GlobalMutex, SecondTakeInTheSameProcessSaysItExists)
{
    const QString name = uniqueLockName("same");
    EXPECT_EQ(CreateGlobalMutex(name), 0);
    EXPECT_EQ(CreateGlobalMutex(name), 183);
    EXPECT_EQ(CreateGlobalMutex(uniqueLockName("other")), 0);
    // A name too long for a socket address still works, and still collides.
    const QString longName = uniqueLockName("long") + QString(300, QLatin1Char('x'));
    EXPECT_EQ(CreateGlobalMutex(longName), 0);
    EXPECT_EQ(CreateGlobalMutex(longName), 183);
}

TEST(GlobalMutex, AnotherProcessSeesItWhileHeld)
{
    const QString name = uniqueLockName("held");
    ASSERT_EQ(CreateGlobalMutex(name), 0);
    EXPECT_EQ(RunChildRole(QStringLiteral("take"), {name}), 183);
    EXPECT_EQ(RunChildRole(QStringLiteral("take"), {uniqueLockName("free")}), 0);
}

TEST(GlobalMutex, KilledHolderReleasesIt)
{
    const QString name = uniqueLockName("killed");
    auto holder = StartChildRole(QStringLiteral("hold"), {name});
    ASSERT_TRUE(holder->waitForReadyRead(60000));
    EXPECT_EQ(ReadChildAnswer(*holder), QByteArray("0"));
    EXPECT_EQ(CreateGlobalMutex(name), 183);
    holder->kill(); // SIGKILL: no chance to clean up
    ASSERT_TRUE(holder->waitForFinished(60000));
    EXPECT_EQ(CreateGlobalMutex(name), 0);
}

TEST(GlobalMutex, ProgramsStartedByTheHolderDoNotHoldIt)
{
    const QString name = uniqueLockName("exec");
    auto holder = StartChildRole(QStringLiteral("hold-and-start"), {name});
    const QList<QByteArray> answer = ReadChildAnswer(*holder).split(' ');
    ASSERT_TRUE(holder->waitForFinished(60000));
    ASSERT_EQ(answer.size(), 2);
    EXPECT_EQ(answer[0], QByteArray("0"));
    const pid_t started = pid_t(answer[1].toLongLong());
    ASSERT_GT(started, 0);
    EXPECT_EQ(kill(started, 0), 0) << "the started program still runs";
    EXPECT_EQ(CreateGlobalMutex(name), 0);
    kill(started, SIGKILL);
}
