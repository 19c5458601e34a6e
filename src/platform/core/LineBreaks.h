#pragma once
// Stored texts break lines with CR LF; Qt's text widgets and the Word
// writer's runs use LF. The data-aware controls convert at the widget
// boundary, and the Word writer where a stored text becomes runs.
#include <QString>

// CR LF and a lone CR become LF.
QString StoredToWidgetText(const QString &stored);
// Every LF becomes CR LF.
QString WidgetToStoredText(const QString &widgetText);
// The length a widget text has once stored (each LF counts as CR LF).
int StoredLength(const QString &widgetText);
