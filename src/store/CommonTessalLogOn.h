#pragma once
// Log-on of a user against the users dataset through the outside log-on dialog.
#include "obDialogsBinding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class TDM;

// The stored form of a password: MD5 of its 8-bit (Windows-1251) bytes as 32
// upper-case hexadecimal digits.
QByteArray PasswordDigest(const QByteArray &password);

// True when the first user named UserName (exact case) has this password.
bool TestUserLogon(TDM &dm, const QString &UserName, const QByteArray &Password);

// Shows the log-on dialog and logs the user on. False (with the stop flag set)
// when the dialog is missing or cancelled or the password is wrong.
bool PaperLogOn(TDM &dm);

// The log-on dialog PaperLogOn shows; CallShowDlgLogin unless replaced (tests).
using LogOnDialog = std::function<DialogsCallOutcome(const QString &applicationTitle, const QStringList &userNames,
                                                     QString &userName, QString &password)>;
// An empty function restores CallShowDlgLogin.
void SetLogOnDialog(LogOnDialog dialog);
