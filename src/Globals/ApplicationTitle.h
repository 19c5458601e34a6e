#pragma once
// The title of the running program, as message boxes, print jobs and the
// log-on dialog name it: from the event-log message module, else "Tessal".
// It is kept here rather than as Qt's application display name, which the
// window system would append to every window caption.
#include <QString>

QString ApplicationTitle();
// An empty title gives "Tessal".
void SetApplicationTitle(const QString &title);
