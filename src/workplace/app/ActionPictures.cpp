#include "ActionPictures.h"

#include <QAction>
#include <QApplication>
#include <QHash>
#include <QStyle>

namespace {

const QHash<QString, QStyle::StandardPixmap> &Pictures()
{
    static const QHash<QString, QStyle::StandardPixmap> pictures = {
        // the main window
        {QStringLiteral("aSearch"), QStyle::SP_FileDialogContentsView},
        {QStringLiteral("aEdit"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("aView"), QStyle::SP_FileDialogInfoView},
        {QStringLiteral("aPrint"), QStyle::SP_DialogSaveButton},
        {QStringLiteral("aList"), QStyle::SP_FileDialogListView},
        {QStringLiteral("aUsers"), QStyle::SP_DirHomeIcon},
        {QStringLiteral("aOptions"), QStyle::SP_ComputerIcon},
        {QStringLiteral("aServer"), QStyle::SP_BrowserReload},
        {QStringLiteral("aExport"), QStyle::SP_DriveHDIcon},
        {QStringLiteral("aChangePassword"), QStyle::SP_DialogResetButton},
        {QStringLiteral("aManual"), QStyle::SP_DialogHelpButton},
        {QStringLiteral("aAbout"), QStyle::SP_MessageBoxInformation},
        {QStringLiteral("aCExit"), QStyle::SP_DialogCloseButton},
        // the certificate list
        {QStringLiteral("aNew"), QStyle::SP_FileIcon},
        {QStringLiteral("aTempl"), QStyle::SP_FileDialogNewFolder},
        {QStringLiteral("aDelete"), QStyle::SP_TrashIcon},
        {QStringLiteral("aComplete"), QStyle::SP_DialogApplyButton},
        {QStringLiteral("aDuplicate"), QStyle::SP_FileLinkIcon},
        {QStringLiteral("aCancel"), QStyle::SP_DialogCancelButton},
        {QStringLiteral("aBadPaper"), QStyle::SP_MessageBoxWarning},
        {QStringLiteral("aFilterMyOnly"), QStyle::SP_DirHomeIcon},
        {QStringLiteral("aGoDuplicate"), QStyle::SP_ArrowForward},
        {QStringLiteral("aGoTrue"), QStyle::SP_ArrowBack},
        {QStringLiteral("aPaperToWord"), QStyle::SP_DialogSaveButton},
        {QStringLiteral("ButtonGo"), QStyle::SP_ArrowRight},
        {QStringLiteral("ButtonReport"), QStyle::SP_FileDialogDetailedView},
    };
    return pictures;
}

} // namespace

QIcon ActionPicture(const QString &actionName)
{
    const auto found = Pictures().constFind(actionName);
    return found == Pictures().constEnd() ? QIcon() : QApplication::style()->standardIcon(*found);
}

void SetActionPicture(QAction *action)
{
    const QIcon picture = ActionPicture(action->objectName());
    if (!picture.isNull())
        action->setIcon(picture);
}
