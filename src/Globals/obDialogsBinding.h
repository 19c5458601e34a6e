#pragma once
// Binding of the outside dialogs library libobDialogs.so (log-on, date,
// project-service log-on, about).
//
// Every call binds anew: the library is loaded by its full path
// "<CommonProgramFiles>/Orbanet/libobDialogs.so", the function is looked up
// by name, called, and the library is unloaded again, whatever happens.
//
// The binding itself shows no message and writes no journal record. When the
// library or the function is missing the outcome says so and carries the
// operator's text; the caller shows it and does what its own rules ask (the
// log-on journals it and sets the stop flag, the other callers only show it).
// The date binding is silent: it just answers 0.
#include <QString>
#include <QStringList>
#include <cstdint>

// The library's path as the program writes it, before the environment is expanded.
QString DialogsLibraryUnexpandedPath(); // "%CommonProgramFiles%/Orbanet/libobDialogs.so"
// The file name the messages use.
inline const QString DialogsLibraryFileName = QStringLiteral("libobDialogs.so");

// Gives the environment variable CommonProgramFiles the program folder when it
// is unset or empty, so that a build runs with the library it made
// (<program folder>/Orbanet/libobDialogs.so). Called at start and by every binding.
void EnsureCommonProgramFiles();
// The expanded path of the library.
QString DialogsLibraryPath();

enum class DialogsCallStatus { Called, LibraryMissing, ExportMissing };

struct DialogsCallOutcome {
    DialogsCallStatus status = DialogsCallStatus::LibraryMissing;
    int32_t result = 0;   // the function's result when it was called, else 0
    QString libraryPath;  // the expanded path that was loaded
    QString failureText;  // what the operator is told when it was not called
    bool called() const { return status == DialogsCallStatus::Called; }
};

// "ShowDlgLogin": the log-on dialog with the given user names to choose from.
// userName and password go in as proposed and come back as typed when the
// result is 1; otherwise they are left as they were. The caption is
// applicationTitle + ":Logon".
DialogsCallOutcome CallShowDlgLogin(const QString &applicationTitle, const QStringList &userNames,
                                    QString &userName, QString &password);

// "ShowDlgSelectDate": date in: the date shown (a day number); out: the date
// chosen when the result is 1. earliest: the earliest date offered. Returns
// the dialog's result (1 = a date was chosen), or 0 without any message when
// the library or its function is missing; date is then unchanged.
int32_t ShowSelectDateDialog(int32_t &date, int32_t earliest);

// "ShowDlgSimLogin": the project-service log-on. account and password go in
// as remembered, userName and projectNumber empty; all four come back as
// typed when the result is 1.
DialogsCallOutcome CallShowDlgSimLogin(QString &account, QString &password, QString &userName,
                                       QString &projectNumber);

// "ShowDlgAbout": the about box with the program description and the contact text.
DialogsCallOutcome CallShowDlgAbout(const QString &description, const QString &contact);
