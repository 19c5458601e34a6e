#include "CommonTessalLogOn.h"

#include "ApplicationTitle.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "Prompter.h"
#include "Windows1251.h"
#include "ggError.h"

#include <QCoreApplication>

#include <openssl/evp.h>

namespace {

LogOnDialog &DialogSlot()
{
    static LogOnDialog dialog;
    return dialog;
}

DialogsCallOutcome ShowLogOnDialog(const QString &title, const QStringList &names, QString &name, QString &password)
{
    const LogOnDialog &dialog = DialogSlot();
    return dialog ? dialog(title, names, name, password) : CallShowDlgLogin(title, names, name, password);
}

// The buffer the library's path is expanded into holds this many characters.
constexpr qsizetype ExpandedPathCapacity = 32768;

} // namespace

void SetLogOnDialog(LogOnDialog dialog)
{
    DialogSlot() = std::move(dialog);
}

QByteArray PasswordDigest(const QByteArray &password)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(password.constData(), size_t(password.size()), digest, &size, EVP_md5(), nullptr) != 1)
        throw AppError(QStringLiteral("MD5 is not available"));
    return QByteArray(reinterpret_cast<const char *>(digest), int(size)).toHex().toUpper();
}

bool TestUserLogon(TDM &dm, const QString &UserName, const QByteArray &Password)
{
    try {
        ClientDataSet &users = dm.cdsUsers;
        for (users.first(); !users.eof(); users.next()) {
            if (users.fieldByName(QStringLiteral("UserName")).asString() != UserName)
                continue;
            return PasswordDigest(Password) == users.fieldByName(QStringLiteral("Password")).asBytes();
        }
    } catch (const std::exception &e) {
        LogException("CommonTessal.TestUserLogon", e);
    }
    return false;
}

bool PaperLogOn(TDM &dm)
{
    TessalState &app = App();
    try {
        if (DialogsLibraryPath().size() >= ExpandedPathCapacity)
            return false;

        QStringList names;
        ClientDataSet &users = dm.cdsUsers;
        for (users.first(); !users.eof(); users.next())
            names << users.fieldByName(QStringLiteral("UserName")).asString();
        QString name = names.isEmpty() ? app.CurrentUserName : names.first();
        QString password;

        const DialogsCallOutcome outcome =
            ShowLogOnDialog(ApplicationTitle(), names, name, password);
        SetDateFormats();
        if (!outcome.called()) {
            app.StopFlag = true;
            const QStringList strings = outcome.status == DialogsCallStatus::ExportMissing
                ? QStringList{QStringLiteral("ShowDlgLogin"), outcome.libraryPath}
                : QStringList{outcome.libraryPath};
            WriteEventLog(EventType::Error, EventCategory::UserAction, EventId::DialogsLibraryMissing, strings);
            Prompts().ask(outcome.failureText, app.MessageTitle, Prompt::Error, Prompt::Ok);
            return false;
        }
        if (outcome.result != 1) {
            app.StopFlag = true;
            return false;
        }

        const QString previousUser = app.CurrentUserName;
        if (TestUserLogon(dm, name, ToWindows1251(password))) {
            WriteEventLog(EventType::AuditSuccess, EventCategory::UserAction, EventId::UserLoggedOn, {previousUser, name});
            users.locate(QStringLiteral("UserName"), name);
            app.CurrentUserName = name;
            app.CurrentUserId = int32_t(users.fieldByName(QStringLiteral("id")).asInteger());
            return true;
        }
        WriteEventLog(EventType::AuditFailure, EventCategory::UserAction, EventId::LogOnRefused, {previousUser, name});
        Prompts().ask(QStringLiteral("Пароль не угадали. Программа будет закрыта"), app.MessageTitle, Prompt::Error,
                      Prompt::Ok);
        app.StopFlag = true;
        return false;
    } catch (const std::exception &e) {
        LogException("CommonTessal.PaperLogOn", e);
        return false;
    }
}
