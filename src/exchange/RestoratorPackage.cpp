#include "RestoratorPackage.h"

#include "AtomicFileWriter.h"
#include "ZipArchive.h"
#include "ggError.h"
#include "ggFiles.h"

QByteArray UpdaterFromPackage(const QByteArray &package)
{
    const ZipReader zip(package);
    const int index = zip.find(UpdaterFileName);
    if (index >= 0 && zip.entries()[size_t(index)].size > MaxUpdaterBytes)
        throw AppError(QStringLiteral("в присланном архиве файл VuzudoVO.exe больше %1 байт").arg(MaxUpdaterBytes));
    const QByteArray updater = index < 0 ? QByteArray() : zip.read(index);
    if (updater.isEmpty())
        throw AppError(QStringLiteral("в присланном архиве нет файла VuzudoVO.exe"));
    return updater;
}

void InstallUpdaterFrom(const QByteArray &package, const QString &programDir)
{
    const QByteArray updater = UpdaterFromPackage(package);
    AtomicFileWriter writer(JoinPath(programDir, UpdaterFileName), mode_t(0755));
    writer.write(updater);
    writer.commit();
}
