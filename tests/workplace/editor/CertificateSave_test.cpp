// The editor's save against a real database file.
#include "EditorTestSupport.h"

#include "CertificateSave.h"
#include "GoodsLines.h"
#include "GoodsPanelGrid.h"
#include "NumberMaskEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>

namespace {

void SetLine(ClientDataSet &lines, const QString &d7, const QString &d8)
{
    lines.fieldByName("d7").setValue(d7);
    lines.fieldByName("d8").setValue(d8);
}

TEST_F(EditorTest, NewCertificateIsInsertedWithItsLinesNumberedAndThePristineLineDropped)
{
    prepareNew();
    TfEdit &edit = showEditor();
    EXPECT_TRUE(edit.HasPendingEdits());
    ASSERT_EQ(edit.cdsD().recordCount(), 1); // one blank line to type into
    box<QPlainTextEdit>("dbeExporter")->setPlainText(QStringLiteral("ООО Экспорт\nМосква"));
    box<QPlainTextEdit>("dbeImporter")->setPlainText(QStringLiteral("GmbH Import"));
    box<QLineEdit>("ImportingCountry")->setText(QStringLiteral("Германия"));
    ClientDataSet &lines = edit.cdsD();
    SetLine(lines, "1", QStringLiteral("Чай"));
    lines.append();
    SetLine(lines, "2", QStringLiteral("Кофе"));
    lines.append(); // a new line nobody typed into
    const qint64 id = dm->QueryInsM.paramByName("id").asInteger();

    edit.aOk()->trigger();

    EXPECT_FALSE(edit.HasPendingEdits()) << prompter->texts().join("\n").toStdString();
    EXPECT_EQ(rows(QStringLiteral("select id,status,ReferenceNo,Exporter,Country12,actPresent14,actNumber14,actDate14 "
                                  "from mcod")),
              QStringList{QStringLiteral("%1|6|6007000012|ООО Экспорт\r\nМосква|Германия|1|NULL|0").arg(id)});
    EXPECT_EQ(rows(QStringLiteral("select idM,dOrder,d7Num,d8Description,d10Q from dcod order by dOrder")),
              (QStringList{QStringLiteral("%1|1|1|Чай|").arg(id), QStringLiteral("%1|2|2|Кофе|").arg(id)}));
    EXPECT_EQ(App().EditMode, 2);
    EXPECT_EQ(App().EditedRowId, id);
    EXPECT_EQ(dm->ASQM.fieldByName("id").asInteger(), id);
    EXPECT_TRUE(eventIds().contains(EventId::CertificateSavedNew));
}

TEST_F(EditorTest, SavedProjectIsReplacedUnderTheSameId)
{
    insertCertificate(certificate(3, 3));
    prepareSaved(5, {}, 3);
    TfEdit &edit = showEditor();
    EXPECT_FALSE(edit.HasPendingEdits());
    ASSERT_EQ(edit.cdsD().recordCount(), 3);
    box<QPlainTextEdit>("dbeSender")->setPlainText(QStringLiteral("Новый отправитель"));
    EXPECT_TRUE(edit.HasPendingEdits());
    edit.cdsD().setRecNo(2);
    edit.cdsD().deleteRecord();

    edit.aOk()->trigger();

    EXPECT_FALSE(edit.HasPendingEdits()) << prompter->texts().join("\n").toStdString();
    EXPECT_EQ(rows("select id,Sender from mcod order by id"), (QStringList{"3|Отправитель", "5|Новый отправитель"}));
    EXPECT_EQ(rows("select idM,dOrder,d7Num from dcod order by dOrder"), (QStringList{"5|1|1", "5|2|3"}));
    EXPECT_TRUE(eventIds().contains(EventId::CertificateSaved));

    // A second save replaces the same row again.
    box<QLineEdit>("EditCountry5")->setText(QStringLiteral("Беларусь"));
    edit.aOk()->trigger();
    EXPECT_EQ(rows("select id,Country5 from mcod where id = 5"), QStringList{"5|Беларусь"});
    EXPECT_EQ(value("select count(*) from dcod").toInt(), 2);
}

TEST_F(EditorTest, IssuedCertificateIsRefusedAndTheFileStaysByteIdentical)
{
    prepareSaved(5, {{"status", 7}});
    TfEdit &edit = showEditor();
    box<QPlainTextEdit>("dbm3")->setPlainText(QStringLiteral("By truck"));
    const QByteArray before = databaseBytes();
    prompter->clear();
    journal.sink().clear();

    edit.aOk()->trigger();

    ASSERT_FALSE(prompter->shown().isEmpty());
    EXPECT_EQ(prompter->shown().last().text,
              QStringLiteral("Сохранить невозможно: Ошибка программиста. Попытка удалить лишний документ."));
    EXPECT_EQ(prompter->shown().last().icon, Prompt::Error);
    EXPECT_EQ(databaseBytes(), before);
    EXPECT_TRUE(edit.HasPendingEdits());
    EXPECT_EQ(eventIds(), QList<uint32_t>{EventId::FunctionFailed});
}

TEST_F(EditorTest, DuplicateIsStoredWithStatus10AndItsOriginalLinksToIt)
{
    // A spoilt blank that once carried the original's number stays as it is.
    insertCertificate(certificate(4, 5, {{"status", 8}, {"CertNo", 400}}));
    insertCertificate(certificate(5, 5, {{"status", 7}}));
    selectCertificate(5);
    App().EditMode = 4;
    App().DuplicateInProgress = true;
    TemplateCopy(*dm, true);
    ASSERT_EQ(dm->QueryInsM.paramByName("status").asInteger(), 10);
    TfEdit &edit = showEditor();
    QSignalSpy closed(&edit, &TfEdit::closeRequested);
    prompter->clear();
    prompter->answer(Prompt::IdYes);

    edit.aOk()->trigger();

    ASSERT_FALSE(prompter->shown().isEmpty());
    EXPECT_EQ(prompter->shown().first().text, SaveTexts::DuplicateQuestion);
    EXPECT_EQ(prompter->shown().first().buttons, Prompt::YesCancel);
    const QString duplicate = dm->QueryInsM.paramByName("ReferenceNo").asText();
    EXPECT_EQ(rows("select id,status,goDuplicate,goTrue from mcod order by id"),
              (QStringList{"4|8|NULL|NULL", "5|7|" + duplicate + "|NULL",
                           QStringLiteral("%1|10|NULL|6007000005").arg(dm->QueryInsM.paramByName("id").asInteger())}));
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(App().DuplicateInProgress);
}

TEST_F(EditorTest, DuplicateNotConfirmedWritesNothing)
{
    insertCertificate(certificate(5, 5, {{"status", 7}}));
    selectCertificate(5);
    App().EditMode = 4;
    App().DuplicateInProgress = true;
    TemplateCopy(*dm, true);
    TfEdit &edit = showEditor();
    const QByteArray before = databaseBytes();
    prompter->answer(Prompt::IdCancel);
    edit.aOk()->trigger();
    EXPECT_EQ(databaseBytes(), before);
    EXPECT_TRUE(edit.HasPendingEdits());
}

TEST_F(EditorTest, FailureInsideTheTransactionRollsBackAndKeepsTheEditsPending)
{
    prepareSaved(5);
    exec("CREATE TRIGGER fail_lines BEFORE INSERT ON dcod BEGIN SELECT RAISE(ABORT, 'disk is tired'); END;");
    TfEdit &edit = showEditor();
    box<QPlainTextEdit>("dbeSender")->setPlainText(QStringLiteral("Другой"));
    const QStringList heads = rows("select * from mcod");
    const QStringList lines = rows("select * from dcod");
    journal.sink().clear();

    edit.aOk()->trigger();

    ASSERT_FALSE(prompter->shown().isEmpty());
    EXPECT_EQ(prompter->shown().last().text, QStringLiteral("Сохранить невозможно: disk is tired"));
    EXPECT_EQ(rows("select * from mcod"), heads);
    EXPECT_EQ(rows("select * from dcod"), lines);
    EXPECT_TRUE(edit.HasPendingEdits());
    ASSERT_EQ(journal.sink().records().size(), 1);
    EXPECT_EQ(journal.sink().records()[0].eventId, EventId::FunctionFailed);
    EXPECT_EQ(journal.sink().records()[0].strings, (QStringList{"сохранение проекта", "disk is tired"}));
    EXPECT_FALSE(dm->ASQLite3DBd.inTransaction());

    // Once the fault is gone the same edits save.
    exec("DROP TRIGGER fail_lines");
    edit.aOk()->trigger();
    EXPECT_FALSE(edit.HasPendingEdits());
    EXPECT_EQ(rows("select Sender from mcod"), QStringList{"Другой"});
}

TEST_F(EditorTest, LostInterlockWarnsStopsAndWritesNothing)
{
    prepareNew();
    TfEdit &edit = showEditor();
    dm->SaveOption(CommonUser, QStringLiteral("NetGuid"), QStringLiteral("{00000000-0000-0000-0000-000000000001}"));
    const QByteArray before = databaseBytes();
    prompter->clear();

    edit.aOk()->trigger();

    EXPECT_EQ(prompter->texts(), QStringList{SaveTexts::InterlockLost});
    EXPECT_TRUE(App().StopFlag);
    EXPECT_EQ(databaseBytes(), before);
    EXPECT_TRUE(edit.HasPendingEdits());

    // The other run giving the database back does not undo the stop.
    dm->SaveOption(CommonUser, QStringLiteral("NetGuid"), InstanceGuidText());
    const QByteArray after = databaseBytes();
    edit.aOk()->trigger();
    EXPECT_EQ(databaseBytes(), after);
    EXPECT_EQ(value("select count(*) from mcod").toInt(), 0);
}

TEST_F(EditorTest, UnknownModeIsRefused)
{
    prepareNew();
    TfEdit &edit = showEditor();
    App().EditMode = 0;
    edit.aOk()->trigger();
    EXPECT_EQ(prompter->texts().last(), SaveTexts::UnknownStatus);
    EXPECT_EQ(value("select count(*) from mcod").toInt(), 0);
}

TEST_F(EditorTest, YearDigitFollowsBox11AndMakesTheReferenceNumber)
{
    prepareNew();
    TfEdit &edit = showEditor();
    box<QPlainTextEdit>("dbeExporter")->setPlainText("E");
    box<QPlainTextEdit>("dbeImporter")->setPlainText("I");
    box<QLineEdit>("ImportingCountry")->setText("DE");
    box<QDateEdit>("TntDateTimePicker11")->setDate(QDate(2019, 5, 6));
    EXPECT_EQ(box<QLineEdit>("EditG")->text(), "9");
    EXPECT_EQ(dm->QueryInsM.paramByName("GNum").asInteger(), 9);
    EXPECT_EQ(dm->QueryInsM.paramByName("ReferenceNo").asText().left(1), "9");
    box<NumberMaskEdit>("dbeRefNumNum")->setEditText("0_24__");
    EXPECT_EQ(box<NumberMaskEdit>("dbeRefNumNum")->editText(), "002400");

    prompter->answer(Prompt::IdYes); // box 12's date now lies after box 11's
    edit.aOk()->trigger();
    ASSERT_EQ(prompter->shown().size(), 1);
    EXPECT_TRUE(prompter->shown()[0].text.startsWith(QStringLiteral("ВНИМАНИЕ! дата поля 12")));
    EXPECT_EQ(rows("select ReferenceNo,GNum,NumNum,Date11 from mcod"),
              QStringList{QStringLiteral("9007002400|9|2400|%1").arg(DateToDayNumber(QDate(2019, 5, 6)))});
}

TEST_F(EditorTest, ActNumberAndDateAreKeptOnlyWhileThereIsAnAct)
{
    prepareSaved(5, {{"actPresent14", 0}, {"actNumber14", QStringLiteral("А-1")}, {"actDate14", today() - 2}});
    TfEdit &edit = showEditor();
    EXPECT_EQ(box<QLineEdit>("Edit_actDate")->text(), "13.03.2026");
    EXPECT_EQ(box<QPlainTextEdit>("Memo_actNumber")->toPlainText(), QStringLiteral("А-1"));
    box<QPlainTextEdit>("Memo_actNumber")->setPlainText(QStringLiteral("А-2"));
    edit.aOk()->trigger();
    EXPECT_EQ(rows("select actPresent14,actNumber14,actDate14 from mcod"),
              QStringList{QStringLiteral("0|А-2|%1").arg(today() - 2)});

    box<QCheckBox>("CheckBox_actPresent")->click();
    EXPECT_TRUE(box<QPlainTextEdit>("Memo_actNumber")->isHidden());
    EXPECT_TRUE(edit.HasPendingEdits());
    edit.aOk()->trigger();
    EXPECT_EQ(rows("select actPresent14,actNumber14,actDate14 from mcod"), QStringList{"1|NULL|0"});
}

TEST_F(EditorTest, DuplicateLeavesOnlyNumbersCitiesDatesAndBoxes13And14Editable)
{
    insertCertificate(certificate(5, 5, {{"status", 7}}));
    selectCertificate(5);
    App().EditMode = 4;
    App().DuplicateInProgress = true;
    TemplateCopy(*dm, true);
    TfEdit &edit = showEditor();
    for (const char *name : {"p1", "p2", "p3", "p4", "pCountry5", "p6", "pCountry12", "p8", "p9", "p10", "pDel",
                             "ButtonAdd", "dbeSender", "dbeExporter", "dbeRecipient", "dbeImporter", "dbm3", "dbm4",
                             "dbm6", "EditCountry5", "EditDovName", "ImportingCountry", "dbe7", "dbm8", "dbe9c",
                             "dbe9p", "dbe10w", "dbe10q"})
        EXPECT_FALSE(box<QWidget>(name)->isEnabled()) << name;
    for (const char *name : {"dbeRefNumNum", "EditCertNo", "EditCity11", "EditCity12", "TntDateTimePicker11",
                             "TntDateTimePicker12", "EditFileComment", "pFile", "pClear", "CheckBox_actPresent",
                             "Memo_actNumber", "Edit_actDate", "pInsert", "p3add", "pName11add"})
        EXPECT_TRUE(box<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(edit.HasPendingEdits());

    // A template of the same certificate is editable throughout.
    App().DuplicateInProgress = false;
    App().EditMode = 3;
    edit.SetEnableActions();
    EXPECT_TRUE(box<QWidget>("dbeSender")->isEnabled());
    EXPECT_TRUE(box<QWidget>("dbm8")->isEnabled());
}

TEST_F(EditorTest, LeavingWithPendingChangesAsksAndNoDiscards)
{
    prepareSaved(5);
    TfEdit &edit = showEditor();
    box<QPlainTextEdit>("dbm4")->setPlainText("Copy");
    const QByteArray before = databaseBytes();
    prompter->answer(Prompt::IdNo);
    edit.FormHide();
    EXPECT_EQ(prompter->texts(), QStringList{"Сохранить изменения?"});
    EXPECT_FALSE(edit.HasPendingEdits());
    EXPECT_EQ(databaseBytes(), before);

    box<QPlainTextEdit>("dbm4")->setPlainText("Copy");
    prompter->clear();
    prompter->answer(Prompt::IdYes);
    edit.FormHide();
    EXPECT_EQ(rows("select OfficialNote from mcod"), QStringList{"Copy"});
}

TEST_F(EditorTest, NewCertificateLeftUntouchedForgetsItsMode)
{
    prepareNew();
    TfEdit &edit = showEditor();
    prompter->answer(Prompt::IdNo);
    edit.FormHide(); // pending: asked, answered No
    edit.FormHide(); // nothing pending now
    EXPECT_EQ(App().EditMode, 0);
}

} // namespace
