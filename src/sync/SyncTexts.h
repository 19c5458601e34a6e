#pragma once
// The words that the in-process synchronisation and the chains of Restavo
// runs (and the editor's project import, which runs on the same frame) both
// show: log lines, status-bar texts and the names of their exchanges. Each
// is written here once, so both ways of synchronising say the same thing and
// a test can compare their logs by name.
#include <QString>

namespace SyncTexts {

// Log lines.
inline const QString SyncFinished = QStringLiteral("СИНХРОНИЗАЦИЯ ЗАВЕРШЕНА");
inline const QString SyncAborted = QStringLiteral("СИНХРОНИЗАЦИЯ ПРЕРВАНА");
inline const QString CheckingUpdates = QStringLiteral("Проверяем обновления");
inline const QString NoUpdates = QStringLiteral("нет обновлений");
inline const QString ErrorPrefix = QStringLiteral("ошибка: ");
inline const QString HelloCallFailed = QStringLiteral("Ошибка обращения hello");

// Status-bar texts.
inline const QString Transferring = QStringLiteral("Идёт передача...");
inline const QString PleaseWait = QStringLiteral("Ожидайте...");
inline const QString ParseFailure = QStringLiteral("Сбой при разборе");
// A Restavo run replied that it failed, or ended without replying.
inline const QString RestavoFailed = QStringLiteral("Ошибка запуска в программе");

// The names the exchanges hold the busy guard under (the help line names
// the running one).
inline const QString SyncExchange = QStringLiteral("синхронизация");
inline const QString RestoreExchange = QStringLiteral("данные из ЦБД");

// Followed by the folder's path.
inline const QString FolderNotMade = QStringLiteral("Не удалось создать папку ");

} // namespace SyncTexts
