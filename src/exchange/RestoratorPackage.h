#pragma once
// The "restorator" update package carries the updater, which both programs
// take out of it the same way and put beside the program.
#include <QByteArray>
#include <QString>

// The updater delivered in the "restorator" package, in the program folder.
inline const QString UpdaterFileName = QStringLiteral("VuzudoVO.exe");
// The most the updater may hold.
inline constexpr qint64 MaxUpdaterBytes = qint64(64) << 20;

// The updater out of the package. Raises AppError when the package is no zip
// archive, holds no updater or an empty one, or declares it larger than
// MaxUpdaterBytes (checked before anything is unpacked).
QByteArray UpdaterFromPackage(const QByteArray &package);

// Writes the updater of Package over <ProgramDir>/VuzudoVO.exe, executable;
// raises as UpdaterFromPackage does, and when it cannot be written, leaving
// the updater that was there.
void InstallUpdaterFrom(const QByteArray &package, const QString &programDir);
