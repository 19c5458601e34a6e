#pragma once
// The Word export of the listed certificates: a title table with the
// chamber, the workstation, the date and the conditions of the last search,
// then each listed certificate in list order, on a page of its own, as a copy
// of SearchTemplate_<language>.docx, filled in. The finished document goes where
// the Office exports go; a failure is logged, told in a message box and writes
// nothing.
#include "DocumentDelivery.h"

class TDM;

// The written file, or empty after a failure.
QString SendCertsToWord(TDM &dm, const DocumentDelivery &delivery);
// The whole document as .docx bytes; raises AppError.
QByteArray CertsWordDocument(TDM &dm);
