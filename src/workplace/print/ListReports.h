#pragma once
// The printed reports of the certificate list: the list report and the
// statistics (one template each, over the listed rows and the search
// options), and all listed certificates as copies behind a cover page,
// oldest first. It prepares the pages; showing them is the caller's. The
// list, its goods lines and the search options stay on the rows they stood on.
#include "CertificateReport.h"
#include "ReportPreviewWindow.h"

#include <QString>
#include <functional>

class TDM;

namespace ListReportFile {
inline const QString List = QStringLiteral("SearchReport.fr3");
inline const QString Statistic = QStringLiteral("StatisticReport.fr3");
inline const QString Cover = QStringLiteral("CertsCaption.fr3");
}

// The reports' names: their preview windows' captions and their print jobs' names.
namespace ListReportName {
inline const QString List = QStringLiteral("Список сертификатов");
inline const QString Statistic = QStringLiteral("Статистика");
inline const QString Certificates = QStringLiteral("Сертификаты");
}

// The name proposed for a report's PDF file, without its suffix: the
// report menu's caption ("Список на печать", "Статистика на печать",
// "Сертификаты на печать"); the report's own name for any other.
QString ListReportFileStem(const QString &reportName);

class ListReports {
public:
    // DataDir holds the templates.
    ListReports(TDM &dm, const QString &dataDir);

    Report &report() { return m_cert.report(); }
    // "Печать" of a report's window: to PrinterName (the system's default
    // when empty) or, while print to file is chosen, to a PDF file asked for
    // this job; nothing when the operator cancels.
    static ReportPrintJob PrintJob();

    // The list report or the statistics: File loaded and prepared afresh,
    // named after what it shows.
    void PrepareSimple(const QString &file);
    // The cover, then every certificate of the list window from the last row
    // to the first (the list is newest first), each as a copy with its stored
    // font sizes and the blank offsets. AfterFill runs once each certificate
    // is current and filled.
    void PrepareCertificates(const std::function<void()> &afterFill = {});

private:
    void loadTemplate(const QString &file);

    TDM &m_dm;
    QString m_dataDir;
    CertificateReport m_cert;
};
