#include "SelectDirDialog.h"

#include "FileDialogs.h"

#include <QDir>

TSelectDirDialog::TSelectDirDialog(QObject *owner) : QObject(owner) {}

void TSelectDirDialog::setCaption(const QByteArray &caption)
{
    if (caption != m_caption)
        m_caption = caption;
}

void TSelectDirDialog::setUlFlags(TulFlags flags)
{
    if (flags != m_flags)
        m_flags = flags;
}

bool TSelectDirDialog::Execute()
{
    m_directory.clear();
    FileDialogRequest request;
    request.title = QString::fromUtf8(m_caption);
    request.showFiles = m_flags.testFlag(TulFlag::sBROWSEINCLUDEFILES);
    const std::optional<QString> chosen = FileDialogsInUse().chooseFolder(request);
    if (!chosen || chosen->isEmpty())
        return false;
    m_directory = QDir::toNativeSeparators(*chosen).toUtf8();
    return true;
}
