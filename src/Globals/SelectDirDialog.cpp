#include "SelectDirDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

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
    QFileDialog browser(QApplication::activeWindow(), QString::fromUtf8(m_caption));
    browser.setFileMode(QFileDialog::Directory);
    browser.setOption(QFileDialog::ShowDirsOnly, !m_flags.testFlag(TulFlag::sBROWSEINCLUDEFILES));
    if (browser.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = browser.selectedFiles();
    if (chosen.isEmpty())
        return false;
    m_directory = QDir::toNativeSeparators(chosen.first()).toUtf8();
    return true;
}
