#pragma once
// Qt's own texts (the buttons of message boxes, the file, folder and printer
// dialogs) in Russian, like the rest of the interface, whatever the locale.
// The translations come from Debian's qt6-translations-l10n. Both programs
// install them at start.

// Makes Russian the default locale of the application's widgets (the month
// and day names of calendars and date editors, whatever the system locale,
// a C locale included) and installs Qt's Russian translations; false when
// these are not installed on the machine (Qt's texts then stay English).
bool InstallRussianQtTexts();
