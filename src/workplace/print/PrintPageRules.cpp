#include "PrintPageRules.h"
#include "StrictDecimal.h"

#include "CommonTessal.h"
#include "ggFiles.h"

QString NormalizeCopiesText(const QString &text)
{
    const auto value = ParseStrictDecimal(text.toUtf8());
    if (!value || *value < 1)
        return QStringLiteral("1");
    if (*value > MaxCopies)
        return QString::number(MaxCopies);
    return text;
}

int CopiesFromText(const QString &text)
{
    return NormalizeCopiesText(text).toInt();
}

QString NormalizeOffsetText(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("0");
    const auto value = ParseStrictDecimal(text.toUtf8());
    if (!value)
        return text == QLatin1String("-") ? QStringLiteral("-1") : QStringLiteral("0");
    if (*value > MaxBlankOffset)
        return QString::number(MaxBlankOffset);
    if (*value < -MaxBlankOffset)
        return QString::number(-MaxBlankOffset);
    return text;
}

uint32_t PrintJournalEventId(CertPrintMode mode, int status)
{
    if (mode != CertPrintMode::Copy)
        return EventId::PrintedOriginal;
    return status == 7 ? EventId::PrintedIssuedCopy : EventId::PrintedOtherCopy;
}

QString PrintJobName(const QString &applicationTitle, const QString &referenceNo, CertPrintMode mode)
{
    QString name = applicationTitle + QStringLiteral(": ") + referenceNo;
    if (mode == CertPrintMode::Copy)
        name += QStringLiteral(" (копия)");
    return name;
}

QString PrintFileStem(const QString &referenceNo, CertPrintMode mode)
{
    switch (mode) {
    case CertPrintMode::Copy:
        return referenceNo + QStringLiteral(" копия");
    case CertPrintMode::Original:
        return referenceNo + QStringLiteral(" оригинал");
    case CertPrintMode::NumberImprint:
        break;
    }
    return referenceNo + QStringLiteral(" впечатывание номера");
}
