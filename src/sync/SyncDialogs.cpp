#include "SyncDialogs.h"

namespace {
const QString CodExtension = QStringLiteral("cod");
}

QStringList BackupFileFilter()
{
    return {QStringLiteral("default backup (KV_*_*_x.cod)"), QStringLiteral("custom backup (*.cod)"),
            QStringLiteral("all (*.*)")};
}

FileDialogRequest SaveDialogSync(const QString &folder, const QString &fileName)
{
    FileDialogRequest request;
    request.title = QStringLiteral("куда запишем ?");
    request.folder = folder;
    request.fileName = fileName;
    request.nameFilters = BackupFileFilter();
    request.defaultSuffix = CodExtension;
    return request;
}

FileDialogRequest OpenDialogXCod(const QString &folder)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Выберите файл восстановления");
    request.folder = folder;
    request.nameFilters = BackupFileFilter();
    request.defaultSuffix = CodExtension;
    return request;
}

FileDialogRequest TntSaveDialogFromServer(const QString &folder)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Куда сохранять результат?");
    request.folder = folder;
    request.fileName = QStringLiteral("DataFromServer");
    request.nameFilters = {QStringLiteral("*.*")};
    request.defaultSuffix = CodExtension;
    return request;
}
