#include "obDialogsBinding.h"
#include "BorinWin.h"
#include "ggFiles.h"

#include "obDialogs.h"
#include "ProgramVersion.h"

#include <QCoreApplication>
#include <QFile>
#include <dlfcn.h>
#include <vector>

namespace {

const QString CommonProgramFilesVariable = QStringLiteral("CommonProgramFiles");
const QString LibraryInCommonFolder = QStringLiteral("Orbanet/libobDialogs.so");

// A loaded library, unloaded when it goes out of scope.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const QString &path)
        : m_handle(dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL))
    {
    }
    ~LoadedLibrary()
    {
        if (m_handle)
            dlclose(m_handle);
    }
    LoadedLibrary(const LoadedLibrary &) = delete;
    LoadedLibrary &operator=(const LoadedLibrary &) = delete;

    bool loaded() const { return m_handle != nullptr; }
    void *symbol(const char *name) const { return dlsym(m_handle, name); }

private:
    void *m_handle;
};

// Which messages a failed binding gives: the log-on names the expanded path,
// the project-service log-on and the about box the path as written.
enum class FailureWording { LogOn, Named };

QString LibraryMissingText(FailureWording wording, const QString &path)
{
    if (wording == FailureWording::LogOn)
        return QStringLiteral("Не удалось загрузить библиотеку: ") + path;
    return QStringLiteral("Не обнаружена библиотека ") + DialogsLibraryUnexpandedPath();
}

QString ExportMissingText(FailureWording wording, const QString &path, const char *exportName)
{
    if (wording == FailureWording::LogOn)
        return QStringLiteral("В библиотеке ") + path + QStringLiteral(" функция ")
               + QLatin1String(exportName) + QStringLiteral(" не обнаружена");
    return QStringLiteral("В библиотеке ") + DialogsLibraryFileName
           + QStringLiteral(" не обнаружена процедура ") + QLatin1String(exportName);
}

// Loads the library, looks exportName up and hands it, typed, to call.
template <typename Proc, typename Call>
DialogsCallOutcome CallExport(const char *exportName, FailureWording wording, Call &&call)
{
    DialogsCallOutcome outcome;
    outcome.libraryPath = DialogsLibraryPath();
    LoadedLibrary library(outcome.libraryPath);
    if (!library.loaded()) {
        outcome.status = DialogsCallStatus::LibraryMissing;
        outcome.failureText = LibraryMissingText(wording, outcome.libraryPath);
        return outcome;
    }
    auto proc = reinterpret_cast<Proc>(library.symbol(exportName));
    if (!proc) {
        outcome.status = DialogsCallStatus::ExportMissing;
        outcome.failureText = ExportMissingText(wording, outcome.libraryPath, exportName);
        return outcome;
    }
    outcome.status = DialogsCallStatus::Called;
    outcome.result = call(proc);
    return outcome;
}

// A text passed in: zero-terminated UTF-16 of a QString that outlives the call.
const char16_t *In(const QString &text)
{
    return reinterpret_cast<const char16_t *>(text.utf16());
}

// A text passed in and out: a buffer holding the text, roomy enough for any
// sensible answer and never smaller than the text going in.
class InOutText {
public:
    explicit InOutText(const QString &text)
        : m_buffer(std::max<qsizetype>(1024, text.size() + 1), 0)
    {
        std::copy(text.utf16(), text.utf16() + text.size(), m_buffer.begin());
    }
    char16_t *data() { return m_buffer.data(); }
    int32_t capacity() const { return static_cast<int32_t>(m_buffer.size()); }
    QString text()
    {
        m_buffer.back() = 0;
        return QString::fromUtf16(m_buffer.data());
    }

private:
    std::vector<char16_t> m_buffer;
};

void *ApplicationObject() { return QCoreApplication::instance(); }

const QString PasswordChar = QStringLiteral("*");

} // namespace

QString DialogsLibraryUnexpandedPath()
{
    return QLatin1Char('%') + CommonProgramFilesVariable + QLatin1String("%/") + LibraryInCommonFolder;
}

void EnsureCommonProgramFiles()
{
    if (qEnvironmentVariableIsEmpty(CommonProgramFilesVariable.toLatin1().constData()))
        qputenv(CommonProgramFilesVariable.toLatin1().constData(), QFile::encodeName(ProgramDir()));
}

QString DialogsLibraryPath()
{
    EnsureCommonProgramFiles();
    return ExpandEnvVars(DialogsLibraryUnexpandedPath());
}

DialogsCallOutcome CallShowDlgLogin(const QString &applicationTitle, const QStringList &userNames,
                                    QString &userName, QString &password)
{
    static const QString Prompt = QStringLiteral("Для входа в систему укажите своё имя и пароль!");
    static const QString NameLabel = QStringLiteral("Имя");
    static const QString PasswordLabel = QStringLiteral("Пароль");
    static const QString OkText = QStringLiteral("Ok");
    static const QString CancelText = QStringLiteral("Отмена");

    const QString caption = applicationTitle + QStringLiteral(":Logon");
    const QStringList names = userNames;
    std::vector<const char16_t *> namePointers;
    for (const QString &name : names)
        namePointers.push_back(In(name));
    InOutText nameBuffer(userName);
    InOutText passwordBuffer(password);

    DialogsCallOutcome outcome = CallExport<decltype(&ShowDlgLogin)>(
        "ShowDlgLogin", FailureWording::LogOn, [&](auto proc) {
            return proc(ApplicationObject(), namePointers.data(),
                        static_cast<int32_t>(namePointers.size()), nameBuffer.data(),
                        nameBuffer.capacity(), passwordBuffer.data(), passwordBuffer.capacity(),
                        In(caption), In(Prompt), In(NameLabel), In(PasswordLabel), In(OkText),
                        In(CancelText), In(PasswordChar));
        });
    if (outcome.result == 1) {
        userName = nameBuffer.text();
        password = passwordBuffer.text();
    }
    return outcome;
}

int32_t ShowSelectDateDialog(int32_t &date, int32_t earliest)
{
    static const QString Caption = QStringLiteral("Выбор даты");
    static const QString YesText = QStringLiteral("Да");
    static const QString NoText = QStringLiteral("Нет");

    int32_t chosen = date;
    const DialogsCallOutcome outcome = CallExport<decltype(&ShowDlgSelectDate)>(
        "ShowDlgSelectDate", FailureWording::Named, [&](auto proc) {
            return proc(&chosen, earliest, In(Caption), In(YesText), In(NoText));
        });
    if (outcome.result == 1)
        date = chosen;
    return outcome.result;
}

DialogsCallOutcome CallShowDlgSimLogin(QString &account, QString &password, QString &userName,
                                       QString &projectNumber)
{
    static const QString Caption = QStringLiteral("Tessal :Подключение к ZUV");
    static const QString Prompt = QStringLiteral("Укажите логин пользователя и номер проекта сертификата!");
    static const QString AccountLabel = QStringLiteral("Имя эксперта");
    static const QString PasswordLabel = QStringLiteral("Пароль эксперта");
    static const QString OkText = QStringLiteral("Получить");
    static const QString CancelText = QStringLiteral("Отменить");
    static const QString UserNameLabel = QStringLiteral("Имя пользователя");
    static const QString ProjectNumberLabel = QStringLiteral("Номер проекта сертификата");

    InOutText accountBuffer(account);
    InOutText passwordBuffer(password);
    InOutText userNameBuffer(userName);
    InOutText projectBuffer(projectNumber);

    DialogsCallOutcome outcome = CallExport<decltype(&ShowDlgSimLogin)>(
        "ShowDlgSimLogin", FailureWording::Named, [&](auto proc) {
            return proc(accountBuffer.data(), accountBuffer.capacity(), passwordBuffer.data(),
                        passwordBuffer.capacity(), userNameBuffer.data(), userNameBuffer.capacity(),
                        projectBuffer.data(), projectBuffer.capacity(), In(Caption), In(Prompt),
                        In(AccountLabel), In(PasswordLabel), In(OkText), In(CancelText),
                        In(PasswordChar), In(UserNameLabel), In(ProjectNumberLabel));
        });
    if (outcome.result == 1) {
        account = accountBuffer.text();
        password = passwordBuffer.text();
        userName = userNameBuffer.text();
        projectNumber = projectBuffer.text();
    }
    return outcome;
}

DialogsCallOutcome CallShowDlgAbout(const QString &description, const QString &contact)
{
    static const QString Caption = QStringLiteral("О программе");
    static const QString VersionLine = QStringLiteral("  Версия ") + ProgramVersion + QStringLiteral(" \n\r");
    static const QString OkText = QStringLiteral("OK");

    return CallExport<decltype(&ShowDlgAbout)>(
        "ShowDlgAbout", FailureWording::Named, [&](auto proc) {
            return proc(ApplicationObject(), In(Caption), In(description), In(VersionLine),
                        In(contact), In(OkText));
        });
}
