#pragma once
// Where a print job goes: the chosen printer, or, while the printer dialog's
// print to file is chosen, a PDF file named for that one job.
#include "ReportEngine.h"

#include <QString>
#include <optional>

// The printer list's entry for print to file, and the title of its file dialog.
inline const QString PrintToFileCaption = QStringLiteral("Печать в файл (PDF)");

// The printer of a job (PrinterName; empty: the system's default) or, while
// print to file is chosen, the PDF file the operator names for it: the save
// dialog proposes Stem + ".pdf" in the folder of the last print file and asks
// before an existing file is replaced; the file chosen becomes the last one.
// Nothing when the operator cancels or refuses the replacement. Raises
// AppError when Stem cannot name a file.
std::optional<ReportPrintSettings> AskPrintDestination(const QString &stem);
