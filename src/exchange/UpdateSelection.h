#pragma once
// Which of the versions the server offers are downloaded: a newer program,
// a newer updater package ("restorator") and a newer support package.
#include "ServerAnswers.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct TessalState;

// The update items (see UpdateItemText) of the offered versions to fetch, in
// the answer's order:
//  - "program" when its dotted version is newer than this program's;
//  - "restorator" when its integer version is above the installed one
//    (RestoratorOption, the option restorator.zip; when empty the installed
//    version of the state stays as it was);
//  - "support" when its integer version is above SupportOption (support.zip;
//    0 when empty or no integer).
// A version that is no integer counts as 0. An element that cannot be judged
// (a program version that does not compare, a restorator option that is no
// integer) is skipped; other names are ignored. The installed and offered
// package versions are left in State.
QList<QByteArray> SelectUpdates(const QList<OfferedVersion> &offered, const QString &restoratorOption,
                                const QString &supportOption, TessalState &state);
