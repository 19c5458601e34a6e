#include "CertificateParams.h"

#include "CommonTessal.h"
#include "ComponentTag.h"
#include "DataTessal.h"
#include "DataTessalNumbering.h"
#include "GGDateTime.h"
#include "ggError.h"

namespace {

void SetParamFromField(SqlParam &param, const Field &field)
{
    if (field.isNull()) {
        param.clear();
        return;
    }
    switch (param.type()) {
    case SqlParam::Type::Integer: param.setInteger(field.asInteger()); break;
    case SqlParam::Type::Boolean: param.setBoolean(field.asBoolean()); break;
    case SqlParam::Type::Blob: param.setBlob(field.asBytes()); break;
    case SqlParam::Type::Text: param.setText(field.asString()); break;
    case SqlParam::Type::Float: param.setFloat(field.asFloat()); break;
    case SqlParam::Type::Unknown: param.setValue(field.value()); break;
    }
}

// A font size the print-out can use: 6 to 10, else 10.
qint64 UsableFontSize(const Field &field)
{
    const qint64 size = field.isNull() ? 0 : field.asInteger();
    return size >= 6 && size <= 10 ? size : 10;
}

} // namespace

void CopyListRowToInsertParams(TDM &dm)
{
    SqlParams &params = dm.QueryInsM.params();
    if (params.count() == 0)
        throw AppError(QStringLiteral("The insert parameters are not prepared"));
    if (dm.ASQM.isEmpty())
        throw AppError(QStringLiteral("The certificate list has no current row"));
    for (int i = 0; i < params.count(); ++i) {
        SqlParam &param = params.at(i);
        SetParamFromField(param, dm.ASQM.fieldByName(param.name()));
    }
}

void ReopenCertificateList(TDM &dm, int64_t id)
{
    dm.ASQD.close();
    dm.ASQM.close();
    dm.ASQM.open();
    dm.ASQM.first();
    dm.ASQM.locate(QStringLiteral("id"), QVariant(qint64(id)));
    dm.ASQD.paramByName(QStringLiteral("id")).setInteger(dm.ASQM.isEmpty()
                                                             ? id
                                                             : dm.ASQM.fieldByName(QStringLiteral("id")).asInteger());
    dm.ASQD.open();
}

void SetEditFields(TDM &dm)
{
    try {
        TessalState &app = App();
        const Field &numNum = dm.ASQM.fieldByName(QStringLiteral("NumNum"));
        const qint64 number = numNum.isNull() ? 0 : numNum.asInteger();
        if (number != 0 && number >= qint64(app.NumberRangeMin) && number <= qint64(app.NumberRangeMax)) {
            SetTag(dm.ASQM, int32_t(number));
        } else {
            MaxNumberPaperToTag(dm);
            if (Tag(dm.ASQM) == 0)
                return;
        }
        const int32_t blank = Tag(dm.ASQM);
        app.EditedRowId = int32_t(dm.ASQM.fieldByName(QStringLiteral("id")).asInteger());

        CopyListRowToInsertParams(dm);
        const auto param = [&dm](const char *name) -> SqlParam & {
            return dm.QueryInsM.paramByName(QString::fromLatin1(name));
        };
        param("ReferenceNo").setText(QString::fromLatin1(MakeReferenceNo(blank)));
        param("GNum").setInteger(YearLastDigit(Today()).toInt());
        param("NumNum").setInteger(blank);
        param("DateIssued").setInteger(DateToDayNumber(Today()));
        param("Expert").setText(app.CurrentUserName);
        SetYearDigit(dm);
        for (const char *name : {"BadDate", "BadExpert", "goDuplicate", "goInstead", "goCancel", "goTrue"})
            param(name).clear();
        param("LastDate").setInteger(LaterDayNumber(param("DateIssued").value(), QVariant()));
        for (int box = 1; box <= 12; ++box) {
            const QString name = QStringLiteral("fSize") + QString::number(box);
            dm.QueryInsM.paramByName(name).setInteger(UsableFontSize(dm.ASQM.fieldByName(name)));
        }
        param("actDate14").setInteger(dm.ASQM.fieldByName(QStringLiteral("actDate14")).asInteger());
        param("actPresent14").setBoolean(dm.ASQM.fieldByName(QStringLiteral("actPresent14")).asBoolean());
    } catch (const std::exception &e) {
        LogException("CommonTessal.SetEditFields", e);
    }
}
