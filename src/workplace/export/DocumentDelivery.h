#pragma once
// Where a finished Office document (the Excel and Word exports, a
// certificate written to Word) goes: written whole under a name that says
// what it is and when, into the user's documents folder (the temporary
// folder when there is none), then opened with the desktop's default
// application. The writers only make the bytes; nothing is written when
// making them fails part-way.
#include <QByteArray>
#include <QString>

#include <exception>
#include <functional>

struct DocumentDelivery {
    // Empty: the documents folder, else the temporary folder.
    QString folder;
    // Opens the written file; empty: xdg-open, started detached.
    std::function<void(const QString &fileName)> open;
};

// Writes Document atomically as "<what> <yyyy-MM-dd hh-mm-ss><suffix>", at
// Now(), in the delivery's folder (a free name: " (2)" and so on when taken),
// opens it and returns its path. Raises AppError when it cannot be written or
// opened, and when the name cannot be a file name in that folder (What may
// hold data: a separator, "..", a control character), writing nothing.
QString DeliverDocument(const DocumentDelivery &delivery, const QString &what, const QString &suffix,
                        const QByteArray &document);

// A failed export: journalled under Location, and told to the operator in a
// message box ("<what failed>:" and the error), since no document opens.
void TellExportFailed(const char *location, const QString &whatFailed, const std::exception &error);

// One export from the operator's command to the opened document: Make builds
// the bytes, which are then delivered as above. Returns the written file, or
// empty when making or delivering failed; that failure is told as
// TellExportFailed tells it, and nothing is written or opened.
QString ExportDocument(const DocumentDelivery &delivery, const char *location, const QString &whatFailed,
                       const QString &what, const QString &suffix, const std::function<QByteArray()> &make);
