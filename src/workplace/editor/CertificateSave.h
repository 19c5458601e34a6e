#pragma once
// The editor's save: the interlock check, the duplicate question, the head
// and goods lines written back over the stored certificate in one
// transaction, and the journal record once it is committed.
#include <QString>
#include <cstdint>

class ClientDataSet;
class TDM;
struct EditorHead;

namespace SaveTexts {
inline const QString InterlockLost =
    QStringLiteral("Другой экземпляр программы захватил базу данных. Сохранение невозможно.");
inline const QString DuplicateQuestion =
    QStringLiteral("В дальнейшем будет нельзя вносить изменения в этот дубликат.\n\r Всё равно сохранить?");
inline const QString UnknownStatus = QStringLiteral("Неизвестный статус документа");
inline const QString ZeroId = QStringLiteral("id = 0");
inline const QString TooManyRows = QStringLiteral("Слишком много удалять для update (delete + insert) ");
inline const QString NotAProject = QStringLiteral("Ошибка программиста. Попытка удалить лишний документ.");
inline const QString Refused = QStringLiteral("Сохранить невозможно: ");
inline const QString FailureEvent = QStringLiteral("сохранение проекта");
} // namespace SaveTexts

// The interlock option still names this run. When it does not, the operator
// is warned and the stop flag is set. False also when the flag was set before.
bool DatabaseStillOurs(TDM &dm);

struct SaveResult {
    bool saved = false;
    bool duplicateConfirmed = false; // the duplicate question was answered Yes
    int64_t id = 0;                  // the id the certificate was saved under
};

// Saves the certificate of the editor's boxes and goods lines in the mode of
// App().EditMode. Every refusal and failure has told the operator; after a
// failure the database is as it was.
SaveResult SaveCertificate(TDM &dm, const EditorHead &head, ClientDataSet &lines);

// Reopens the list at the saved certificate; false when it is not listed.
bool ShowSavedCertificate(TDM &dm, int64_t id);
