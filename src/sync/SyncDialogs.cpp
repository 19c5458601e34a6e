#include "SyncDialogs.h"

namespace {

FileDialogRequest CodRequest(const QString &title, const QString &folder, const QString &fileName,
                             const QStringList &filters)
{
    FileDialogRequest request;
    request.title = title;
    request.folder = folder;
    request.fileName = fileName;
    request.nameFilters = filters;
    request.defaultSuffix = QStringLiteral("cod");
    return request;
}

} // namespace

QStringList BackupFileFilter()
{
    return {QStringLiteral("default backup (KV_*_*_x.cod)"), QStringLiteral("custom backup (*.cod)"),
            QStringLiteral("all (*.*)")};
}

FileDialogRequest SaveDialogSync(const QString &folder, const QString &fileName)
{
    return CodRequest(QStringLiteral("куда запишем ?"), folder, fileName, BackupFileFilter());
}

FileDialogRequest OpenDialogXCod(const QString &folder)
{
    return CodRequest(QStringLiteral("Выберите файл восстановления"), folder, QString(), BackupFileFilter());
}

FileDialogRequest TntSaveDialogFromServer(const QString &folder)
{
    return CodRequest(QStringLiteral("Куда сохранять результат?"), folder, QStringLiteral("DataFromServer"),
                      {QStringLiteral("*.*")});
}
