#include "ListCells.h"

#include "BorinWin.h"
#include "GGDateTime.h"
#include "LineBreaks.h"
#include "SqliteDatabase.h"

namespace {

bool IsDateColumn(const QString &fieldName)
{
    static const QStringList dates = {"DateIssued", "Date11", "Date12", "BadDate", "LastDate", "actDate14"};
    return dates.contains(fieldName);
}

bool IsTextType(FieldType type)
{
    return type == FieldType::String || type == FieldType::WideString || type == FieldType::Memo;
}

} // namespace

QColor StatusColor(int status)
{
    switch (status) {
    case 6: return QColor(200, 255, 200);
    case 7: return QColor(255, 200, 200);
    case 8: return QColor(255, 255, 0);
    case 9: return QColor(255, 0, 200);
    case 10: return QColor(0, 200, 200);
    case -1: return QColor(200, 200, 200);
    default: return QColor();
    }
}

bool StatusWantsLightText(int status)
{
    return status == 9 || status == 10;
}

QString OneLineCellText(FieldType type, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    QString text;
    if (type == FieldType::Blob)
        text = WideTextFromBytes(value.toByteArray());
    else if (value.typeId() == QMetaType::QByteArray)
        text = QString::fromUtf8(value.toByteArray());
    else
        text = value.toString();
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

QString CertificateCellText(const QString &fieldName, FieldType type, const QVariant &value)
{
    if (type == FieldType::Blob || IsTextType(type))
        return OneLineCellText(type, value);
    if (IsDateColumn(fieldName)) {
        const qint64 day = value.isValid() ? value.toLongLong() : 0;
        return day == 0 ? QString() : FormatDayNumber(day);
    }
    if (fieldName == QLatin1String("CertNo"))
        return value.isValid() ? PadLeftW(QString::number(value.toLongLong()), u'0', 7) : QString();
    return value.isValid() ? value.toString() : QString();
}

bool CertificateCellCentred(const QString &fieldName)
{
    return fieldName == QLatin1String("CertNo") || fieldName == QLatin1String("ReferenceNo")
        || fieldName == QLatin1String("Language") || IsDateColumn(fieldName);
}

QString GoodsCellText(FieldType type, const QVariant &value)
{
    if (type == FieldType::Blob || IsTextType(type))
        return OneLineCellText(type, value);
    return value.isValid() ? value.toString() : QString();
}

QString GoodsMemoText(const QString &description)
{
    return PairedBreaksToWidgetText(description);
}
