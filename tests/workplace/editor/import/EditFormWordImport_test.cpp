// The editor's MS Word action: a project document chosen in the open dialog
// fills the empty boxes, box 12's date and the goods lines; filled boxes are
// kept; a file that cannot be read changes nothing.
#include "EditorTestSupport.h"

#include "FileDialogs.h"
#include "WordFixtures.h"

#include <QAction>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

QList<FixtureTable> Project(const FixtureTable &goods)
{
    const FixtureTable head = {{"1."}, {QStringLiteral("ООО «Экспорт»\r\nМосква")}, {"2."}, {"Importer GmbH"},
                               {"3.", "4."}, {"By truck", "Copy"}, {"5.", "6."}, {QStringLiteral("Китай"), "Contract 7"}};
    const FixtureTable declaration = {{"12."}, {"-"}, {"country", "Germany"}, {"city", QStringLiteral("Тверь"), "05.03.2024"}};
    return {head, FixtureTable{{"7.", "8.", "9.", "10."}} + goods, declaration};
}

class WordImportTest : public EditorTest {
protected:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = folder.filePath(name);
        WriteWholeFile(path, bytes);
        return path;
    }
    void import(const QString &path)
    {
        dialogs->answer(path);
        editor->aDownLoadWord()->trigger();
    }
    QStringList goods()
    {
        QStringList lines;
        ClientDataSet &d = editor->cdsD();
        for (int row = 0; row < d.recordCount(); ++row) {
            QStringList fields;
            for (int f = 0; f < d.fieldCount(); ++f)
                fields << d.rowValue(row, f).toString();
            lines << fields.join('|');
        }
        return lines;
    }
    QStringList failures()
    {
        QStringList found;
        for (const EventRecord &record : journal.sink().records())
            if (record.strings.join(' ').contains("EditForm.TfEdit.aDownLoadWordExecute"))
                found << record.strings.join(' ');
        return found;
    }

    QTemporaryDir folder;
    ScopedScriptedFileDialogs dialogs;
};

TEST_F(WordImportTest, ADocxProjectFillsTheEmptyBoxesTheDateAndTheGoods)
{
    prepareNew();
    TfEdit &edit = showEditor();
    EXPECT_TRUE(edit.aDownLoadWord()->isEnabled());
    EXPECT_EQ(edit.aDownLoadWord()->toolTip(), QStringLiteral("Проект из файла MS Word"));
    box<QPlainTextEdit>("dbeImporter")->setPlainText(QStringLiteral("Свой импортёр\n\n"));
    box<QLineEdit>("EditCity12")->clear();
    QSignalSpy status(&edit, &TfEdit::statusText);
    edit.aDownLoadWord()->trigger(); // Cancel
    EXPECT_TRUE(status.isEmpty());
    EXPECT_EQ(text("dbeExporter"), "");

    import(write("project.docx", DocxWithTables(Project({{"1", QStringLiteral("Чай\r\nчёрный"), "10", "100 кг"},
                                                          {"2", "Coffee", "5", "50"}}))));

    ASSERT_EQ(dialogs->requests().size(), 2);
    EXPECT_EQ(dialogs->requests()[0].title, QStringLiteral("Выберите проект"));
    EXPECT_EQ(dialogs->requests()[0].defaultSuffix, "doc");
    EXPECT_EQ(text("dbeExporter"), QStringLiteral("ООО «Экспорт»\nМосква"));
    EXPECT_EQ(text("dbeImporter"), QStringLiteral("Свой импортёр")) << "kept, without its trailing line breaks";
    EXPECT_EQ(text("dbm3"), "By truck");
    EXPECT_EQ(text("dbm4"), "Copy");
    EXPECT_EQ(text("EditCountry5"), QStringLiteral("Россия")) << "kept";
    EXPECT_EQ(text("dbm6"), "Contract 7");
    EXPECT_EQ(text("ImportingCountry"), "Germany");
    EXPECT_EQ(text("EditCity12"), QStringLiteral("Тверь"));
    EXPECT_EQ(box<QDateEdit>("TntDateTimePicker12")->date(), QDate(2024, 3, 5));
    EXPECT_EQ(goods(), (QStringList{QStringLiteral("1|Чай\r\nчёрный|10||100 кг|"), "2|Coffee|5||50|"}));
    EXPECT_TRUE(edit.HasPendingEdits());
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.first().first().toString(), QStringLiteral("Загружаем проект..."));
    EXPECT_EQ(status.last().first().toString(), "");
    EXPECT_TRUE(failures().isEmpty());
}

TEST_F(WordImportTest, AnRtfProjectWithOnlyAGoodsHeaderLeavesNoGoodsLines)
{
    prepareSaved(5, {}, 3);
    TfEdit &edit = showEditor();
    box<QPlainTextEdit>("dbm6")->clear();
    const QString exporter = text("dbeExporter");

    import(write("project.rtf", RtfWithTables(Project({}), RtfText::CodePage)));
    EXPECT_EQ(text("dbm6"), "Contract 7");
    EXPECT_EQ(text("dbeExporter"), exporter);
    EXPECT_NE(box<QDateEdit>("TntDateTimePicker12")->date(), QDate(2024, 3, 5)) << "the city was filled";

    edit.aOKExecute();
    EXPECT_TRUE(rows("select d7Num from dcod where idM = 5").isEmpty());
    EXPECT_EQ(rows("select AdditionalInfo from mcod where id = 5"), QStringList{"Contract 7"});
}

TEST_F(WordImportTest, AFileThatCannotBeReadChangesNothing)
{
    const struct {
        const char *name;
        const char *file;
        QByteArray bytes;
        QString message; // shown in a box; otherwise logged and shown in the help line
    } cases[] = {
        {"unbalanced RTF groups", "project.rtf", "{\\rtf1{\\trowd\\cellx1\\intbl a\\cell\\row", {}},
        {"a zip bomb", "project.docx", DocxWithBody(QByteArray(64 << 20, ' ')), {}},
        {"a .doc without LibreOffice", "project.doc", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(512, 0),
         QStringLiteral("Файл .doc читается с помощью LibreOffice, а он не установлен. Сохраните проект в формате "
                        ".docx или .rtf.")},
    };
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", folder.path().toLocal8Bit()); // no soffice
    for (const auto &c : cases) {
        prepareSaved(5, {{"Exporter", ""}}, 2);
        TfEdit &edit = showEditor();
        const QStringList before = goods();
        QSignalSpy help(&edit, &TfEdit::helpLine);
        journal.sink().clear();
        prompter->clear();

        import(write(c.file, c.bytes));
        EXPECT_EQ(text("dbeExporter"), "") << c.name;
        EXPECT_EQ(goods(), before) << c.name;
        EXPECT_FALSE(edit.HasPendingEdits()) << c.name;
        if (c.message.isEmpty()) {
            EXPECT_EQ(failures().size(), 1) << c.name;
            ASSERT_FALSE(help.isEmpty()) << c.name;
            EXPECT_EQ(help.last().first().toString(), QStringLiteral("Сбой в программе. Смотри Event Log.")) << c.name;
        } else {
            EXPECT_EQ(prompter->texts(), QStringList{c.message}) << c.name;
            EXPECT_TRUE(failures().isEmpty()) << c.name;
        }
        exec("delete from dcod");
        exec("delete from mcod");
    }
    qputenv("PATH", path);
}

} // namespace
