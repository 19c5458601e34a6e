// The editor's import of a certificate project from a Word document
// (aDownLoadWord): the document's tables are read whole first, then the
// empty boxes, box 12's date and the goods lines are filled from them.
#include "EditForm.h"

#include "BorinWin.h"
#include "ClientDataSet.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "DocConversion.h"
#include "DocumentTables.h"
#include "FileDialogs.h"
#include "GGDateTime.h"
#include "Prompter.h"
#include "WordProject.h"

#include <QDateEdit>

namespace WordImportTexts {
const QString DialogTitle = QStringLiteral("Выберите проект");
const QString Filter = QStringLiteral("Проекты (*.rtf *.doc *.docx)");
const QString Loading = QStringLiteral("Загружаем проект...");
const QString NeedsLibreOffice = QStringLiteral(
    "Файл .doc читается с помощью LibreOffice, а он не установлен. Сохраните проект в формате .docx или .rtf.");
} // namespace WordImportTexts

void TfEdit::aDownLoadWordExecute()
{
    emit helpLine(QString());
    try {
        FileDialogRequest request;
        request.title = WordImportTexts::DialogTitle;
        request.nameFilters = {WordImportTexts::Filter};
        request.defaultSuffix = QStringLiteral("doc");
        const std::optional<QString> path = FileDialogsInUse().openFile(request);
        if (!path)
            return;
        emit statusText(WordImportTexts::Loading);
        const WordProject project =
            ReadWordProject(ReadDocumentTables(*path), [this](const QString &control) { return boxText(control); });
        for (const auto &[control, text] : project.boxes)
            setBoxText(control, text);
        for (const WordProjectCell &cell : WordProjectHeadCells()) {
            const QString text = boxText(cell.control);
            const QString trimmed = TrimRightCharsW(text, QStringLiteral("\r\n"));
            if (trimmed != text)
                setBoxText(cell.control, trimmed);
        }
        if (project.date12)
            m_date12->setDate(DateOfDayNumber(*project.date12));
        PutWordProjectGoods(*m_cdsD, project.goods);
        importTaken();
    } catch (const OfficeConverterMissing &) {
        Prompts().inform(WordImportTexts::NeedsLibreOffice, App().MessageTitle, Prompt::Warning);
    } catch (const std::exception &e) {
        LogException("EditForm.TfEdit.aDownLoadWordExecute", e);
        emit helpLine(EditorFailureText);
    }
    emit statusText(QString());
}
