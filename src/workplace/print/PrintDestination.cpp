#include "PrintDestination.h"

#include "CommonTessal.h"
#include "FileDialogs.h"
#include "ggFiles.h"

#include <QFileInfo>

std::optional<ReportPrintSettings> AskPrintDestination(const QString &stem)
{
    ReportPrintSettings destination;
    destination.printerName = QString::fromUtf8(App().PrinterName);
    if (App().PrintFileName.isEmpty())
        return destination;
    const QString folder = QFileInfo(App().PrintFileName).absolutePath();
    FileDialogRequest request;
    request.title = PrintToFileCaption;
    request.folder = folder;
    request.fileName = QFileInfo(SafeJoinPath(folder, stem + QStringLiteral(".pdf"))).fileName();
    request.nameFilters = {QStringLiteral("PDF (*.pdf)")};
    request.defaultSuffix = QStringLiteral("pdf");
    std::optional<QString> chosen = FileDialogsInUse().saveFile(request);
    if (!chosen)
        return std::nullopt;
    App().PrintFileName = *chosen;
    destination.outputFileName = *chosen;
    return destination;
}
