#include "LineBreaks.h"

QString StoredToWidgetText(const QString &stored)
{
    QString text = stored;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString WidgetToStoredText(const QString &widgetText)
{
    QString text = widgetText;
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

int StoredLength(const QString &widgetText)
{
    return int(widgetText.size() + widgetText.count(QLatin1Char('\n')));
}

QString MessageToWidgetText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return StoredToWidgetText(shown);
}

QString PairedBreaksToWidgetText(const QString &stored)
{
    QString text = stored;
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    // One pass, left to right: three CRs leave two.
    text.replace(QStringLiteral("\r\r"), QStringLiteral("\r"));
    return StoredToWidgetText(text);
}
