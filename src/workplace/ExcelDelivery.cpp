#include "ExcelDelivery.h"

#include "AppError.h"
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

} // namespace

QString WorkbookFileName(const QString &what, const QDateTime &when)
{
    return what + QLatin1Char(' ') + when.toString(QStringLiteral("yyyy-MM-dd hh-mm-ss")) + QStringLiteral(".xlsx");
}

QString DeliverWorkbook(const ExcelDelivery &delivery, const QString &what, const QByteArray &workbook)
{
    const QDir folder(TargetFolder(delivery.folder));
    const QString name = WorkbookFileName(what, Now());
    QString path = folder.filePath(name);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QFileInfo(name).completeBaseName() + QStringLiteral(" (%1).xlsx").arg(n));
    WriteFileAtomic(path, workbook);
    if (delivery.open)
        delivery.open(path);
    else
        OpenWithDesktop(path);
    return path;
}
