#pragma once
// The editor over a real database: the store's fixture, this run holding the
// interlock, and the insert parameters prepared the way the list prepares a
// new certificate, a saved project, a template or a duplicate.
#include "StoreFixture.h"

#include "CertificateParams.h"
#include "ClientDataSet.h"
#include "DataTessalNumbering.h"
#include "DatabaseSchema.h"
#include "EditForm.h"
#include "KDSUtils.h"
#include "uDlgNetExit.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

class EditorTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        App().ChamberNumber = 7;
        dm->SaveOption(CommonUser, QStringLiteral("NetGuid"), InstanceGuidText());
        prompter->clear();
        journal.sink().clear();
    }

    void TearDown() override
    {
        editor.reset();
        StoreFixture::TearDown();
    }

    // The insert parameters of a new certificate in Russian with blank 12,
    // as the list's new action fills them (no act, so that it validates).
    void prepareNew()
    {
        MaxNumberPaperToTag(*dm);
        const int32_t id = GetNewId(*dm, "ru");
        SqlParams &p = dm->QueryInsM.params();
        for (int i = 0; i < p.count(); ++i)
            p.at(i).clear();
        p.byName("id").setInteger(id);
        p.byName("status").setInteger(6);
        p.byName("CertNo").setInteger(App().ProposedCertNo);
        p.byName("ReferenceNo").setText(QString::fromLatin1(MakeReferenceNo(12)));
        p.byName("GNum").setInteger(6);
        p.byName("NumNum").setInteger(12);
        p.byName("Language").setText("ru");
        p.byName("DateIssued").setInteger(today());
        p.byName("Expert").setText(App().CurrentUserName);
        p.byName("Country5").setText(QStringLiteral("Россия"));
        WideToParam(QStringLiteral("Палата"), p.byName("DovName"));
        p.byName("City11").setText(QStringLiteral("Москва"));
        p.byName("Date11").setInteger(today());
        p.byName("City12").setText(QStringLiteral("Москва"));
        p.byName("Date12").setInteger(today());
        p.byName("LastDate").setInteger(today());
        p.byName("actDate14").setInteger(0);
        p.byName("actPresent14").setBoolean(true);
        App().EditMode = 1;
    }

    // A stored certificate with goods lines, opened as the main window's edit action opens it.
    void prepareSaved(qint64 id, const QVariantMap &values = {}, int lines = 2)
    {
        insertCertificate(certificate(id, id, values));
        for (int line = 1; line <= lines; ++line)
            insertRow("dcod", {{"idM", id},
                               {"dOrder", line},
                               {"d7Num", QString::number(line)},
                               {"d8Description", QStringLiteral("Товар %1").arg(line)},
                               {"d9Count", "1"},
                               {"d9Package", QStringLiteral("ящик")},
                               {"d10Weight", "10"},
                               {"d10Q", QStringLiteral("кг")}});
        selectCertificate(id);
        App().EditMode = 2;
        SetEditFields(*dm);
        App().EditedRowId = int32_t(id);
    }

    TfEdit &showEditor()
    {
        editor = std::make_unique<TfEdit>(*dm);
        editor->resize(900, 700);
        editor->show(); // shown pages fill themselves
        return *editor;
    }

    template <typename T>
    T *box(const char *name)
    {
        T *child = editor->findChild<T *>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // The text of a memo or line box.
    QString text(const char *control)
    {
        if (auto *memo = editor->findChild<QPlainTextEdit *>(QLatin1String(control)))
            return memo->toPlainText();
        return box<QLineEdit>(control)->text();
    }

    QByteArray databaseBytes() { return ReadWholeFile(dataPath("Tessal.sqb")); }

    QStringList rows(const QString &sql)
    {
        QStringList result;
        SqliteStatement query(dm->ASQLite3DBd, sql);
        while (query.step()) {
            QStringList columns;
            for (int c = 0; c < query.columnCount(); ++c) {
                const QString name = query.columnName(c);
                columns << (query.isNull(c) ? QStringLiteral("NULL")
                            : IsWideText(name)                  ? WideTextFromBytes(query.columnBlob(c))
                                                                : query.columnText(c));
            }
            result << columns.join(QLatin1Char('|'));
        }
        return result;
    }

    static bool IsWideText(const QString &column)
    {
        return IsWideColumn(column) || column == "name" || column == "nameT" || column == "nameB";
    }

    QList<uint32_t> eventIds()
    {
        QList<uint32_t> ids;
        for (const EventRecord &record : journal.sink().records())
            ids << record.eventId;
        return ids;
    }

    std::unique_ptr<TfEdit> editor;
};
