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
