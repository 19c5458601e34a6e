#include "EditorPickers.h"

#include "CommonTessal.h"
#include "DataTessal.h"
#include "KDSUtils.h"
#include "PickListData.h"
#include "Prompter.h"
#include "ggError.h"

const QList<PickerButton> &PickerButtons()
{
    static const QList<PickerButton> buttons = {
        {"p1", PickList::Parties, 1, "dbeSender", "dbeExporter"},
        {"p2", PickList::Parties, 2, "dbeRecipient", "dbeImporter"},
        {"p3", PickList::Phrases, 3, "dbm3", {}},
        {"p4", PickList::Phrases, 5, "dbm4", {}},
        {"pCountry5", PickList::Phrases, 20, "EditCountry5", {}},
        {"p6", PickList::Phrases, 6, "dbm6", {}},
        {"pCountry12", PickList::Phrases, 20, "ImportingCountry", {}},
        {"p8", PickList::Phrases, 8, "d8", {}, true},
        {"p9", PickList::Phrases, 9, "d9p", {}, true},
        {"p10", PickList::Phrases, 10, "d10q", {}, true},
    };
    return buttons;
}

const QList<AdderButton> &PhraseAdderButtons()
{
    static const QList<AdderButton> buttons = {
        {"p3add", "dbm3", 3, false, {}},
        {"p4add", "dbm4", 5, false, {}},
        {"pCountry5add", "EditCountry5", 20, false, {}},
        {"p6add", "dbm6", 6, false, {}},
        {"pCountry12add", "ImportingCountry", 20, false, {}},
        {"pName11add", "EditDovName", 42, false,
         QStringLiteral("Установить новое умолчание для названия палаты")},
        {"pCity11add", "EditCity11", 43, false, QStringLiteral("Установить умолчание для места удостоверения")},
        {"pCity12add", "EditCity12", 44, false, {}},
        {"p8add", "d8", 8, true, {}},
        {"p9add", "d9p", 9, true, {}},
        {"p10add", "d10q", 10, true, {}},
    };
    return buttons;
}

const QList<PartyAdderButton> &PartyAdderButtons()
{
    static const QList<PartyAdderButton> buttons = {
        {"p1add", 1, "dbeSender", "dbeExporter"},
        {"p2add", 2, "dbeRecipient", "dbeImporter"},
    };
    return buttons;
}

void ReportPhraseSaved(uint8_t result, uint8_t kind, const QString &text)
{
    const QString &caption = App().MessageTitle;
    switch (result) {
    case PhraseSaved::AlreadyThere:
        Prompts().inform(PickerTexts::AlreadyThere, caption, Prompt::Question);
        break;
    case PhraseSaved::Added:
        Prompts().inform((kind >= 42 && kind <= 44 ? PickerTexts::DefaultSet : PickerTexts::Added) + text, caption,
                         Prompt::Information);
        break;
    case PhraseSaved::Failed:
        Prompts().inform(PickerTexts::Failed, caption, Prompt::Error);
        break;
    default:
        break;
    }
}

namespace {

void SetPartyParams(SqlQuery &work, const QByteArray &lang, uint8_t kind, const QString &nameT,
                    const QString &nameB)
{
    work.paramByName("lang").setText(QString::fromUtf8(lang));
    work.paramByName("stype").setInteger(kind);
    WideToParam(nameT, work.paramByName("nameT"));
    WideToParam(nameB, work.paramByName("nameB"));
}

const QString PartyCondition =
    QStringLiteral(" where (lang = :lang) and (stype = :stype) and (nameT = :nameT) and (nameB = :nameB)");

bool PartyStored(TDM &dm, const QByteArray &lang, uint8_t kind, const QString &nameT, const QString &nameB)
{
    SqlQuery &work = dm.ALQueryWork;
    QString storedT, storedB;
    try {
        work.close();
        work.setSql(QStringLiteral("select * from Contragent") + PartyCondition);
        SetPartyParams(work, lang, kind, nameT, nameB);
        work.open();
        if (!work.isEmpty()) {
            storedT = BlobToWide(work.fieldByName("nameT"));
            storedB = BlobToWide(work.fieldByName("nameB"));
        }
    } catch (const std::exception &) {
        // An unreadable pick list counts as one without the pair.
    }
    work.close();
    return storedT == nameT && storedB == nameB;
}

} // namespace

void AddParty(TDM &dm, const QByteArray &lang, uint8_t kind, const QString &nameT, const QString &nameB)
{
    if (PartyStored(dm, lang, kind, nameT, nameB)) {
        Prompts().inform(PickerTexts::PartyAlreadyThere, App().MessageTitle, Prompt::Information);
        return;
    }
    // The pick list's own add: one transaction, the shared query read again.
    const bool stored = PickListData(dm, dm.ASQContragent, ContragentTable()).addEntry(lang, kind, {nameT, nameB});
    if (stored)
        Prompts().inform(PickerTexts::Added + nameT + QStringLiteral("\n\r") + nameB, App().MessageTitle,
                         Prompt::Information);
}
