#include "EditHeadBoxes.h"
#include "StrictDecimal.h"

#include "BorinWin.h"
#include "EditTextCleaning.h"
#include "GGDateTime.h"
#include "KDSUtils.h"
#include "SqlQuery.h"
#include "ggError.h"
#include "ggFiles.h"

namespace {

using enum BoxStore;
using enum BoxLines;

SqlParam &Param(SqlParams &params, const QString &name)
{
    return params.byName(name);
}

const SqlParam &Param(const SqlParams &params, const QString &name)
{
    const SqlParam *param = params.find(name);
    if (!param)
        throw AppError(QStringLiteral("Parameter '%1' not found").arg(name));
    return *param;
}

QString ParamText(const SqlParam &param, BoxStore store)
{
    return store == WideBlob ? ParamToWide(param) : param.asText();
}

void SetParamText(SqlParam &param, BoxStore store, const QString &text)
{
    if (store == WideBlob)
        WideToParam(text, param);
    else
        param.setText(text);
}

// The text of an integer parameter; empty when it is null.
QString IntegerText(const SqlParam &param)
{
    return param.isNull() ? QString() : QString::number(param.asInteger());
}

int64_t NumberOf(const QString &text, const QString &box)
{
    const std::optional<int64_t> value = ParseStrictDecimal(text.toLatin1());
    if (!value || text.isEmpty())
        throw AppError(QStringLiteral("'%1' is not a valid integer value (%2)").arg(text, box));
    return *value;
}

} // namespace

const QList<HeadTextBox> &HeadTextBoxes()
{
    static const QList<HeadTextBox> boxes = {
        {"dbeSender", "Sender", WideBlob, Memo},
        {"dbeExporter", "Exporter", WideBlob, Memo},
        {"dbeRecipient", "Recipient", WideBlob, Memo},
        {"dbeImporter", "Importer", WideBlob, Memo},
        {"dbm3", "transport", WideBlob, Memo},
        {"dbm4", "OfficialNote", WideBlob, Memo},
        {"EditCountry5", "Country5", Utf8Text, OneLine},
        {"dbm6", "AdditionalInfo", WideBlob, Memo},
        {"EditDovName", "DovName", WideBlob, Memo},
        {"EditCity11", "City11", Utf8Text, OneLine},
        {"ImportingCountry", "Country12", Utf8Text, OneLine},
        {"EditCity12", "City12", Utf8Text, OneLine},
        {"EditFileComment", "fileComment13", WideBlob, Memo},
        {"EditfileName13", "fileName13", WideBlob, Memo},
    };
    return boxes;
}

const HeadTextBox &ActNumberBox()
{
    static const HeadTextBox box{"Memo_actNumber", "actNumber14", WideBlob, Memo};
    return box;
}

const HeadTextBox *FindHeadTextBox(const QString &control)
{
    for (const HeadTextBox &box : HeadTextBoxes())
        if (box.control == control)
            return &box;
    return control == ActNumberBox().control ? &ActNumberBox() : nullptr;
}

EditorHead HeadFromParams(const SqlParams &params, int32_t chamberNumber)
{
    EditorHead head;
    head.language = Param(params, "Language").asText();
    head.certNo = PadLeftW(IntegerText(Param(params, "CertNo")), QLatin1Char('0'), 7);
    head.blankNumber = PadLeftW(IntegerText(Param(params, "NumNum")), QLatin1Char('0'), 6);
    head.yearDigit = IntegerText(Param(params, "GNum"));
    head.chamber = PadLeftW(QString::number(chamberNumber), QLatin1Char('0'), 3);
    for (const HeadTextBox &box : HeadTextBoxes())
        head.texts.insert(box.parameter, ParamText(Param(params, box.parameter), box.store));
    head.date11 = Param(params, "Date11").asInteger();
    head.date12 = Param(params, "Date12").asInteger();
    head.actAbsent = Param(params, "actPresent14").value().toBool();
    if (!head.actAbsent) {
        const int64_t actDate = Param(params, "actDate14").asInteger();
        head.actDateText = actDate != 0 ? FormatDayNumber(actDate) : QString();
        head.actNumber = ParamText(Param(params, "actNumber14"), ActNumberBox().store);
    }
    return head;
}

QString ReferenceNoOf(const EditorHead &head)
{
    return PadLeftW(head.yearDigit, QLatin1Char('0'), 1) + PadLeftW(head.chamber, QLatin1Char('0'), 3)
        + PadLeftW(head.blankNumber, QLatin1Char('0'), 6);
}

void HeadToParams(const EditorHead &head, SqlParams &params)
{
    Param(params, "CertNo").setInteger(NumberOf(head.certNo, "EditCertNo"));
    Param(params, "ReferenceNo").setText(ReferenceNoOf(head));
    Param(params, "GNum").setInteger(NumberOf(head.yearDigit, "EditG"));
    Param(params, "NumNum").setInteger(NumberOf(head.blankNumber, "dbeRefNumNum"));
    for (const HeadTextBox &box : HeadTextBoxes())
        SetParamText(Param(params, box.parameter), box.store,
                     RemoveEditControlCharacters(head.texts.value(box.parameter)));
    Param(params, "Date11").setInteger(head.date11);
    Param(params, "Date12").setInteger(head.date12);
    ActToParams(head, params);
}

void ActToParams(const EditorHead &head, SqlParams &params)
{
    Param(params, "actPresent14").setBoolean(head.actAbsent);
    SqlParam &number = Param(params, "actNumber14");
    SqlParam &date = Param(params, "actDate14");
    if (head.actAbsent) {
        number.clear();
        date.setInteger(0);
        return;
    }
    SetParamText(number, ActNumberBox().store, RemoveEditControlCharacters(head.actNumber));
    const QDate actDate = ParseDate(head.actDateText);
    date.setInteger(actDate.isValid() && actDate >= DateOfDayNumber(0) ? DateToDayNumber(actDate) : 0);
}
