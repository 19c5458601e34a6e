#pragma once
// Stands for the platform's open, save and folder dialogs. Logic code asks
// through FileDialogsInUse(); the programs use the real dialogs, tests
// install a script. Without a screen (ScreenIsAbsent) the real dialogs are
// not shown and answer Cancel, so a program without a screen never waits.
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>

struct FileDialogRequest {
    enum Kind { OpenFile, SaveFile, ChooseFolder };
    Kind kind = OpenFile;
    QString title;
    QString folder;          // where the dialog starts; empty: where it last was
    QString fileName;        // the name proposed (open and save)
    QStringList nameFilters; // "label (mask mask)", the first one chosen
    QString defaultSuffix;   // added to a typed name without one ("cod")
    bool showFiles = false;  // a folder dialog lists the files beside the folders
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen path, or nothing when the operator cancelled.
    virtual std::optional<QString> choose(const FileDialogRequest &request) = 0;

    // An existing file to open.
    std::optional<QString> openFile(FileDialogRequest request);
    // A file to write. When the chosen file exists, the operator is asked
    // through the prompter in use whether to replace it; after a refusal the
    // dialog comes back for another name (Cancel there answers nothing).
    std::optional<QString> saveFile(FileDialogRequest request);
    // An existing folder.
    std::optional<QString> chooseFolder(FileDialogRequest request);
};

// The real dialogs (QFileDialog), over the active window. The save dialog
// leaves the replacement question to saveFile.
class QtFileDialogs : public FileDialogs {
public:
    std::optional<QString> choose(const FileDialogRequest &request) override;
};

// Records every request and answers from a queue (tests): a path, or nothing
// for Cancel. An empty queue answers Cancel.
class ScriptedFileDialogs : public FileDialogs {
public:
    std::optional<QString> choose(const FileDialogRequest &request) override;
    void answer(std::optional<QString> path) { m_answers.push_back(std::move(path)); }
    const QList<FileDialogRequest> &requests() const { return m_requests; }

private:
    QList<FileDialogRequest> m_requests;
    std::deque<std::optional<QString>> m_answers;
};

// The dialogs in use; QtFileDialogs until others are installed.
FileDialogs &FileDialogsInUse();
void SetFileDialogs(std::shared_ptr<FileDialogs> dialogs);

// Installs a ScriptedFileDialogs for the lifetime of the object (tests).
class ScopedScriptedFileDialogs {
public:
    ScopedScriptedFileDialogs();
    ~ScopedScriptedFileDialogs();
    ScriptedFileDialogs &operator*() { return *m_dialogs; }
    ScriptedFileDialogs *operator->() { return m_dialogs.get(); }

private:
    std::shared_ptr<ScriptedFileDialogs> m_dialogs;
};
