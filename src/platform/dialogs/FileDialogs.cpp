#include "FileDialogs.h"
#include "Prompter.h"
#include "Screen.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {
std::shared_ptr<FileDialogs> &slot()
{
    static std::shared_ptr<FileDialogs> dialogs = std::make_shared<QtFileDialogs>();
    return dialogs;
}

FileDialogRequest As(FileDialogRequest request, FileDialogRequest::Kind kind)
{
    request.kind = kind;
    return request;
}
} // namespace

std::optional<QString> FileDialogs::openFile(FileDialogRequest request)
{
    return choose(As(std::move(request), FileDialogRequest::OpenFile));
}

std::optional<QString> FileDialogs::saveFile(FileDialogRequest request)
{
    request = As(std::move(request), FileDialogRequest::SaveFile);
    for (;;) {
        std::optional<QString> chosen = choose(request);
        if (!chosen || !QFileInfo::exists(*chosen)
            || Prompts().ask(QStringLiteral("Файл %1 уже существует.\nЗаменить его?").arg(*chosen), request.title,
                             Prompt::Warning, Prompt::YesNo)
                   == Prompt::IdYes)
            return chosen;
        // Not replaced: the dialog comes back at the file refused, for another name.
        const QFileInfo refused(*chosen);
        request.folder = refused.absolutePath();
        request.fileName = refused.fileName();
    }
}

std::optional<QString> FileDialogs::chooseFolder(FileDialogRequest request)
{
    return choose(As(std::move(request), FileDialogRequest::ChooseFolder));
}

std::optional<QString> QtFileDialogs::choose(const FileDialogRequest &request)
{
    if (ScreenIsAbsent())
        return std::nullopt;
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.folder);
    switch (request.kind) {
    case FileDialogRequest::OpenFile:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case FileDialogRequest::SaveFile:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        break;
    case FileDialogRequest::ChooseFolder:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, !request.showFiles);
        break;
    }
    if (!request.nameFilters.isEmpty())
        dialog.setNameFilters(request.nameFilters);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

std::optional<QString> ScriptedFileDialogs::choose(const FileDialogRequest &request)
{
    m_requests.append(request);
    if (m_answers.empty())
        return std::nullopt;
    std::optional<QString> path = std::move(m_answers.front());
    m_answers.pop_front();
    return path;
}

FileDialogs &FileDialogsInUse() { return *slot(); }

void SetFileDialogs(std::shared_ptr<FileDialogs> dialogs)
{
    slot() = dialogs ? std::move(dialogs) : std::make_shared<QtFileDialogs>();
}

ScopedScriptedFileDialogs::ScopedScriptedFileDialogs() : m_dialogs(std::make_shared<ScriptedFileDialogs>())
{
    SetFileDialogs(m_dialogs);
}

ScopedScriptedFileDialogs::~ScopedScriptedFileDialogs() { SetFileDialogs(nullptr); }
