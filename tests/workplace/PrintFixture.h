#pragma once
#include "PdfWords.h"
// A data module over a real database with one certificate and its goods
// lines current in the list query, the shipped certificate templates, and a
// print sink that writes PDF files or fails on request.
#include "StoreFixture.h"

#include "CertificateReport.h"
#include "ReportEngine.h"
#include "uDlgNetExit.h"

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <functional>

// The shipped data folder with the certificate templates.
inline QString ShippedDataDir()
{
    return qEnvironmentVariable("TESSAL_SOURCE") + QStringLiteral("/data");
}

// Prints into PDF files (one per job), or fails the first `failures` jobs
// before any page went out; `interruptAfterStart` fails as a printer does
// once a page has gone.
class PdfPrintSink : public PrintSink {
public:
    explicit PdfPrintSink(QString folder) : m_folder(std::move(folder)) {}
    void send(const Report &report, const ReportPrintSettings &settings) override
    {
        ++calls;
        if (failures > 0) {
            --failures;
            throw AppError(QStringLiteral("printer offline %1").arg(calls));
        }
        if (interruptAfterStart)
            throw PrintJobInterrupted(QStringLiteral("paper jam after page 1"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        lastFile = m_folder + QStringLiteral("/job%1.pdf").arg(calls);
        printer.setOutputFileName(lastFile);
        report.printTo(printer, settings.copies);
        jobs.push_back(settings);
    }

    int failures = 0;
    bool interruptAfterStart = false;
    int calls = 0;
    QString lastFile;
    QList<ReportPrintSettings> jobs;

private:
    QString m_folder;
};


class PrintFixture : public StoreFixture {
protected:
    static constexpr qint64 CertId = 1;

    void SetUp() override
    {
        StoreFixture::SetUp();
        // The pages read the templates from the program's data folder.
        for (const char *name : {"h_ru.fr3", "h_en.fr3"})
            ASSERT_TRUE(QFile::copy(ShippedDataDir() + QLatin1Char('/') + QLatin1String(name),
                                    dataPath(QLatin1String(name))));
        insertCertificate(certificate(CertId, 123, {{"Exporter", QString()}}));
        addGoodsLine(1, QStringLiteral("1"), QStringLiteral("Станки"), QStringLiteral("5"), QStringLiteral("ящик"),
                     QStringLiteral("100 кг"), QString());
        addGoodsLine(2, QStringLiteral("2"), QStringLiteral("Запчасти"), QString(), QStringLiteral("коробка"),
                     QStringLiteral("20"), QStringLiteral("кг"));
        dm->SaveOption(CommonUser, QStringLiteral("NetGuid"), InstanceGuidText());
        selectCertificate(CertId);
        journal.sink().clear();
    }

    void addGoodsLine(int order, const QString &num, const QString &description, const QString &count,
                      const QString &package, const QString &weight, const QString &quantity)
    {
        insertRow(QStringLiteral("dcod"), {{"idM", CertId},
                                           {"dOrder", order},
                                           {"d7Num", num},
                                           {"d8Description", description},
                                           {"d9Count", count},
                                           {"d9Package", package},
                                           {"d10Weight", weight},
                                           {"d10Q", quantity}});
    }

    // Strings of the journal records with this id.
    QStringList journalTexts(uint32_t eventId)
    {
        QStringList texts;
        for (const EventRecord &r : journal.sink().withId(eventId))
            texts << r.strings.join(QLatin1Char('|'));
        return texts;
    }

    QTemporaryDir out;
};
