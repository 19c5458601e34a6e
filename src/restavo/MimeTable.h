#pragma once
// Content types of files by their extension, for the file parts of an upload.
#include <QByteArray>
#include <QStringList>
#include <functional>

// Where this system registers content types by extension: lines of a type
// followed by its extensions, "#" starting a comment (Debian's media-types).
extern const char *const SystemMimeTypesFile;

// Fills an empty List with lines of extension, "=", type: the built-in table,
// then (UseRegistry) what the system has registered in RegistryFile (its type
// replacing the built-in one of the same extension), sorted without case. A
// missing or unreadable file adds nothing.
void BuildMimeList(QStringList *list, bool useRegistry,
                   const QString &registryFile = QString::fromLatin1(SystemMimeTypesFile));

class TMimeTable {
public:
    explicit TMimeTable(bool autoFill);
    virtual ~TMimeTable() = default;

    bool UseRegistry = true;
    QString RegistryFile = QString::fromLatin1(SystemMimeTypesFile);
    // When set, EnsureMimeList calls it instead of loading the list.
    std::function<void(TMimeTable *sender)> OnLoadList;
    QStringList Types;      // parallel to Extensions
    QStringList Extensions; // ".ext", lower case, each once

    virtual void LoadMimeList();
    virtual void EnsureMimeList();
    // Replaces the pairs by the lines of List that hold Separator.
    void AddMimePairs(const QStringList &list, QChar separator);
    // Lower-cases both; an extension already known keeps its first type.
    void AddMimeEntry(const QByteArray &ext, const QByteArray &mimeType);
    // "application/octet-stream" for a name without a known extension.
    QByteArray LookupMimeType(const QByteArray &fileName);
};

// Through the one table of the process, filled on first use.
QByteArray MimeTypeOfFile(const QByteArray &fileName);
