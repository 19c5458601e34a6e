#include "DocumentDelivery.h"

#include "AppError.h"
#include "CommonTessal.h"
#include "Prompter.h"
#include "DetachedStart.h"
#include "GGDateTime.h"
#include "ggFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString TargetFolder(const QString &chosen)
{
    if (!chosen.isEmpty())
        return chosen;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir().mkpath(documents))
        return documents;
    return QDir::tempPath();
}

void OpenWithDesktop(const QString &fileName)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        throw AppError(QStringLiteral("Нет программы xdg-open, чтобы открыть %1").arg(fileName));
    const DetachedStartResult started = StartDetached(opener, {fileName});
    if (!started.started)
        throw AppError(QStringLiteral("xdg-open не запустился (%1)").arg(started.errorCode));
}

QString DocumentStem(const QString &what, const QDateTime &when)
{
    return what + QLatin1Char(' ') + when.toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
}

} // namespace

QString DeliverDocument(const DocumentDelivery &delivery, const QString &what, const QString &suffix,
                        const QByteArray &document)
{
    const QString folder = TargetFolder(delivery.folder);
    // What may come from the data (a reference number): the checked join.
    const QString stem = DocumentStem(what, Now());
    QString path = SafeJoinPath(folder, stem + suffix);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = SafeJoinPath(folder, stem + QStringLiteral(" (%1)").arg(n) + suffix);
    WriteFileAtomic(path, document);
    if (delivery.open)
        delivery.open(path);
    else
        OpenWithDesktop(path);
    return path;
}

void TellExportFailed(const char *location, const QString &whatFailed, const std::exception &error)
{
    LogException(QByteArray(location), error);
    Prompts().inform(whatFailed + QStringLiteral(":\n") + ExceptionText(error), App().MessageTitle, Prompt::Error);
}

QString ExportDocument(const DocumentDelivery &delivery, const char *location, const QString &whatFailed,
                       const QString &what, const QString &suffix, const std::function<QByteArray()> &make)
{
    try {
        const QByteArray document = make();
        return DeliverDocument(delivery, what, suffix, document);
    } catch (const std::exception &e) {
        TellExportFailed(location, whatFailed, e);
        return QString();
    }
}
