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

// The program's own message texts break lines with CR LF, LF CR, a lone CR
// or a lone LF: each of them shows as one LF.
QString MessageToWidgetText(const QString &text);
// The list's goods description: every LF counts as CR and two CRs in a row
// as one break, so CR LF is one break and a run of n break characters shows
// n / 2 breaks, rounded up (CR LF CR LF keeps its blank line, LF LF does not).
QString PairedBreaksToWidgetText(const QString &stored);
