#include "ActionPictures.h"
#include "StylePicture.h"

#include <QAction>
#include <QHash>
#include <QStyle>

namespace {

// The picture of an action: the desktop icon theme's picture named for what
// the action does, else the style's standard icon that comes nearest.
struct Picture {
    const char *themeName;
    QStyle::StandardPixmap standard;
};

const QHash<QString, Picture> &Pictures()
{
    static const QHash<QString, Picture> pictures = {
        // the main window
        {QStringLiteral("aSearch"), {"edit-find", QStyle::SP_FileDialogContentsView}},
        {QStringLiteral("aEdit"), {"document-edit", QStyle::SP_FileDialogDetailedView}},
        {QStringLiteral("aView"), {"document-print-preview", QStyle::SP_FileDialogInfoView}},
        {QStringLiteral("aPrint"), {"document-print", QStyle::SP_DialogSaveButton}},
        {QStringLiteral("aList"), {"view-list", QStyle::SP_FileDialogListView}},
        {QStringLiteral("aUsers"), {"system-users", QStyle::SP_DirHomeIcon}},
        {QStringLiteral("aOptions"), {"preferences-system", QStyle::SP_ComputerIcon}},
        {QStringLiteral("aServer"), {"view-refresh", QStyle::SP_BrowserReload}},
        {QStringLiteral("aExport"), {"drive-harddisk", QStyle::SP_DriveHDIcon}},
        {QStringLiteral("aChangePassword"), {"dialog-password", QStyle::SP_DialogResetButton}},
        {QStringLiteral("aManual"), {"help-contents", QStyle::SP_DialogHelpButton}},
        {QStringLiteral("aAbout"), {"help-about", QStyle::SP_MessageBoxInformation}},
        {QStringLiteral("aCExit"), {"application-exit", QStyle::SP_DialogCloseButton}},
        // the certificate list
        {QStringLiteral("aNew"), {"document-new", QStyle::SP_FileIcon}},
        {QStringLiteral("aTempl"), {"edit-copy", QStyle::SP_FileDialogNewFolder}},
        {QStringLiteral("aDelete"), {"edit-delete", QStyle::SP_TrashIcon}},
        {QStringLiteral("aComplete"), {"dialog-ok-apply", QStyle::SP_DialogApplyButton}},
        {QStringLiteral("aDuplicate"), {"edit-copy", QStyle::SP_FileLinkIcon}},
        {QStringLiteral("aCancel"), {"dialog-cancel", QStyle::SP_DialogCancelButton}},
        {QStringLiteral("aBadPaper"), {"dialog-warning", QStyle::SP_MessageBoxWarning}},
        {QStringLiteral("aFilterMyOnly"), {"user-home", QStyle::SP_DirHomeIcon}},
        {QStringLiteral("aGoDuplicate"), {"go-next", QStyle::SP_ArrowForward}},
        {QStringLiteral("aGoTrue"), {"go-previous", QStyle::SP_ArrowBack}},
        {QStringLiteral("aPaperToWord"), {"x-office-document", QStyle::SP_DialogSaveButton}},
        {QStringLiteral("ButtonGo"), {"go-jump", QStyle::SP_ArrowRight}},
        {QStringLiteral("ButtonReport"), {"x-office-spreadsheet", QStyle::SP_FileDialogDetailedView}},
    };
    return pictures;
}

} // namespace

QIcon ActionPicture(const QString &actionName)
{
    const auto found = Pictures().constFind(actionName);
    if (found == Pictures().constEnd())
        return QIcon();
    const QString themeName = QString::fromLatin1(found->themeName);
    if (QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    // Actions that share a picture share the one icon, read once when first
    // drawn (kept to the end of the process, not freed after the application
    // object).
    static auto *made = new QHash<int, QIcon>;
    QIcon &icon = (*made)[int(found->standard)];
    if (icon.isNull())
        icon = StylePicture(found->standard);
    return icon;
}

void SetActionPicture(QAction *action)
{
    const QIcon picture = ActionPicture(action->objectName());
    if (!picture.isNull())
        action->setIcon(picture);
}
