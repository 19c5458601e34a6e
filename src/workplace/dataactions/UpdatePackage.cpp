#include "UpdatePackage.h"

#include "CertificateParams.h"
#include "ChangeList.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "ExchangeGuard.h"
#include "FileDialogs.h"
#include "ServerAnswers.h"
#include "WorkstationFile.h"
#include "ZipArchive.h"
#include "ggError.h"
#include "ggFiles.h"
#include "obDCPcrypt.h"

namespace {

QByteArray ReadWorkstationEntry(const ZipReader &package)
{
    const int index = package.find(WorkstationFileName);
    if (index < 0)
        throw AppError(QStringLiteral("no entry ") + WorkstationFileName);
    if (package.entries()[size_t(index)].size > MaxWorkstationFileSize)
        throw AppError(WorkstationFileName + QStringLiteral(": too large"));
    return package.read(index);
}

} // namespace

UpdatePackageOutcome ApplyUpdatePackage(TDM &dm)
{
    const ExchangeTicket ticket = BeginExchange(QStringLiteral("aModify"));
    if (!ticket) {
        LogFunctionFailure("FormMain.TfMain.aModifyExecute",
                           QStringLiteral("exchange running: ") + RunningExchange());
        return UpdatePackageOutcome::ExchangeRunning;
    }
    FileDialogRequest request;
    request.nameFilters = QStringList{QStringLiteral("Файлы обновления (TS_*_update.zip.cod)")};
    request.defaultSuffix = QStringLiteral("cod");
    const std::optional<QString> chosen = FileDialogsInUse().openFile(request);
    if (!chosen)
        return UpdatePackageOutcome::Cancelled;
    ApplyUpdatePackageFile(dm, *chosen);
    return UpdatePackageOutcome::Applied;
}

void ApplyUpdatePackageFile(TDM &dm, const QString &fileName)
{
    QByteArray archive = FileToString(fileName);
    DecryptWithChamberKey(archive, App().ChamberKey);
    const ZipReader package(archive);
    package.read(QStringLiteral("version.xml")); // carried, not used
    const QByteArray changes = package.read(QStringLiteral("changes.xml"));
    if (!changes.trimmed().isEmpty()) {
        try {
            ApplyChangeList(dm.ASQLite3DBd, changes);
        } catch (...) {
            ReopenCertificateList(dm, 0); // the changes applied before the failure stay, and show
            throw;
        }
        ReopenCertificateList(dm, 0);
    }
    const QByteArray workstation = ReadWorkstationEntry(package);
    if (!workstation.isEmpty()) {
        const WorkstationFile file = CheckDeliveredWorkstationFile(workstation);
        WriteFileAtomic(dm.dataFile(WorkstationFileName), workstation);
        dm.UseWorkstationFile(file);
    }
}
