#pragma once
// The rules the user windows apply to names and passwords.
#include <QByteArray>
#include <QString>
#include <cstdint>

class DataSet;

// The stored form of a password typed by the operator (its Windows-1251 bytes hashed).
QByteArray PasswordHashOf(const QString &password);
// True for "Администратор" in any letter case (compared upper-cased in the
// Windows-1251 code page); a look-alike with Latin letters is another name.
bool IsReservedUserName(const QString &name);
// The row (0-based) of a user whose UserName equals Name ignoring letter
// case, leaving out the user ExceptId; -1 when there is none. The cursor stays.
int FindUserNamed(const DataSet &users, const QString &name, int64_t exceptId = -1);
// True when the users dataset is open and holds the name (any case) on a row
// other than ExceptId's. A failure is logged and counts as a duplicate, so a
// name is never accepted unchecked.
bool CheckDupUser(const QString &name, int64_t exceptId = -1);

// Texts shared by the user dialogs.
inline const QString UserNameRequiredText = QStringLiteral("Имя пользователя обязательно для заполнения!");
inline const QString DuplicateUserText = QStringLiteral("Пользователь с таким именем уже существует!");

// Writes k.cod after a change of users or settings (nothing while the run is stopped).
void KeepUsersAndSettings();
