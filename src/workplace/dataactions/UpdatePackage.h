#pragma once
// The update package of the main window's File menu: a zip archive
// enciphered with the chamber key, holding version.xml (not used),
// changes.xml (the centre's certificate changes) and i.cod (a new
// workstation file). It is deciphered and unzipped in memory; no plain copy
// of it touches the disk.
#include <QString>

class TDM;

enum class UpdatePackageOutcome { Cancelled, ExchangeRunning, Applied };

// Asks for the package ("Файлы обновления", TS_*_update.zip.cod) and applies
// it. Does not start while an exchange with the server runs (the package
// changes what the exchange works on). Raises AppError as the package does.
UpdatePackageOutcome ApplyUpdatePackage(TDM &dm);

// Applies the package in FileName: the changes of changes.xml (when it is not
// empty) by the change-list rule, the list reopened at its first row, then
// the new workstation file, checked in memory before it replaces i.cod
// atomically and is read into the application state. Raises AppError on a
// wrong key, a missing entry, a change that fails (the changes before it stay
// applied) or a workstation file that fails its checks (the old i.cod stays
// byte for byte).
void ApplyUpdatePackageFile(TDM &dm, const QString &fileName);
