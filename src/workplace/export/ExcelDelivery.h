#pragma once
// Where a finished Excel export goes: written whole under a name that says
// what it is and when, into the user's documents folder (the temporary
// folder when there is none), then opened with the desktop's default
// application. Nothing is written when the export fails part-way.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <exception>
#include <functional>

struct ExcelDelivery {
    // Empty: the documents folder, else the temporary folder.
    QString folder;
    // Opens the written file; empty: xdg-open, started detached.
    std::function<void(const QString &fileName)> open;
};

// Writes Workbook atomically as "<what> <yyyy-MM-dd hh-mm-ss>.xlsx", at Now(),
// in the delivery's folder (a free name: " (2)" and so on when taken), opens
// it and returns its path. Raises AppError when it cannot be written or opened,
// and when the name cannot be a file name in that folder (What may hold data:
// a separator, "..", a control character), writing nothing.
QString DeliverWorkbook(const ExcelDelivery &delivery, const QString &what, const QByteArray &workbook);
// A failed export: journalled under Location, and told to the operator in a
// message box ("<what failed>:" and the error), since no document opens.
void TellExportFailed(const char *location, const QString &whatFailed, const std::exception &error);

// The same for any finished document: "<what> <yyyy-MM-dd hh-mm-ss><suffix>".
QString DeliverDocument(const ExcelDelivery &delivery, const QString &what, const QString &suffix,
                        const QByteArray &document);
