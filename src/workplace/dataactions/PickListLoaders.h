#pragma once
// The eight loaders of the main window's File menu: they add to the pick
// lists the values that the listed certificates hold, so that every value is
// there once per language and kind.
//
// A loader walks every row the certificate list lists (its query's text,
// values and filter, the search's verdict included), not only the thousand
// rows of the page on show, and leaves the list's cursor where it stands.
// Empty values are skipped. Each value replaces an identical entry, so a
// second run adds nothing.
#include <QByteArray>
#include <cstdint>

class TDM;

enum class PickListLoad { Contragents, Goods, Transport, Details, Package, Quantity, OfficialUse, Country };

// The question every loader asks first.
extern const char *const PickListLoadQuestion;

// Runs one loader. A transaction that fails is rolled back and recorded under
// Location, and the walk goes on. Afterwards the pick list's shared query
// reads its table again. Returns the number of entries stored.
int LoadPickList(TDM &dm, PickListLoad kind, const QByteArray &location);
