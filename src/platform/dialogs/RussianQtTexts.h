#pragma once
// Qt's own texts (the buttons of message boxes, the file, folder and printer
// dialogs) in Russian, like the rest of the interface, whatever the locale.
// The translations come from Debian's qt6-translations-l10n. Both programs
// install them at start.

// Installs Qt's Russian translations into the application; false when they
// are not installed on the machine (Qt's texts then stay English).
bool InstallRussianQtTexts();
