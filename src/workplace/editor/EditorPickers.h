#pragma once
// The editor's "..." pickers and "+" adders: which pick list and kind each
// button uses and which box it fills or stores, the report of a stored
// phrase, and the party adder.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

class TDM;

enum class PickList { Parties, Phrases };

struct PickerButton {
    QString button;
    PickList list;
    uint8_t kind;
    // A head box (control name), or for a goods line the field name.
    QString target;
    // Parties: the box that takes nameB (target takes nameT).
    QString secondTarget;
    bool goodsField = false;
};
const QList<PickerButton> &PickerButtons();

struct AdderButton {
    QString button;
    QString source; // a head box (control name), or for a goods line the field name
    uint8_t kind;
    bool goodsField = false;
    QString hint;
};
// The phrase adders.
const QList<AdderButton> &PhraseAdderButtons();
// The two party adders: source is the box of nameT, secondSource that of nameB.
struct PartyAdderButton {
    QString button;
    uint8_t kind;
    QString source;
    QString secondSource;
};
const QList<PartyAdderButton> &PartyAdderButtons();

// Tells the operator what TDM::SavePhrase answered for a phrase of this kind.
void ReportPhraseSaved(uint8_t result, uint8_t kind, const QString &text);

namespace PickerTexts {
inline const QString AlreadyThere = QStringLiteral("Такая информация уже есть");
inline const QString Added = QStringLiteral("Добавлено значение\n\r");
inline const QString DefaultSet = QStringLiteral("Установлено значение\n\r");
inline const QString Failed = QStringLiteral("Произошла ошибка");
inline const QString PartyAlreadyThere = QStringLiteral("Такая информация в справочнике уже есть");
inline const QString PartyFailed = QStringLiteral("Ошибка \n\r");
} // namespace PickerTexts

// Stores a party pair of the certificate's language in the pick list: nothing
// when the pair is there already (two empty texts count as there), else the
// pair replaces any identical pair in one transaction. The operator hears
// "added" only once the transaction is committed; a failed one is rolled back
// silently. Other failures raise; the editor logs them and shows
// PickerTexts::PartyFailed followed by the message.
void AddParty(TDM &dm, const QByteArray &lang, uint8_t kind, const QString &nameT, const QString &nameB);
