#pragma once
// The eight loaders of the main window's File menu: they add to the pick
// lists the values that the listed certificates hold, so that every value is
// there once per language and kind.
//
// A loader walks every row the certificate list lists (its query's text,
// values and filter, the search's verdict included), not only the thousand
// rows of the page on show, and leaves the list's cursor where it stands.
// Empty values are skipped. Only values the pick list does not hold yet are
// stored, an entry held more than once is made single, so a second run adds
// nothing. Each statement is prepared once and the whole walk is one
// transaction.
#include <QByteArray>
#include <cstdint>

class TDM;
class ProgressSink;

enum class PickListLoad { Contragents, Goods, Transport, Details, Package, Quantity, OfficialUse, Country };

// The question every loader asks first.
extern const char *const PickListLoadQuestion;

// Runs one loader. When the transaction fails it is rolled back whole and
// recorded under Location. Afterwards the pick list's shared query reads its
// table again. Progress, when given, is opened for the walk and follows the
// certificates walked out of ListedCertificates. Returns the number of
// entries stored.
int LoadPickList(TDM &dm, PickListLoad kind, const QByteArray &location, ProgressSink *progress = nullptr,
                 qint64 listedCertificates = 0);
