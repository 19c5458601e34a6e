#include "ListReports.h"

#include "DataTessal.h"
#include "ListRowKeeper.h"
#include "PrintDestination.h"
#include "ggFiles.h"
#include "SystemErrorTexts.h"

#include <QFile>

ListReports::ListReports(TDM &dm, const QString &dataDir) : m_dm(dm), m_dataDir(dataDir), m_cert(dm, dataDir) {}

QString ListReportFileStem(const QString &reportName)
{
    if (reportName == ListReportName::List)
        return QStringLiteral("Список на печать");
    if (reportName == ListReportName::Statistic)
        return QStringLiteral("Статистика на печать");
    if (reportName == ListReportName::Certificates)
        return QStringLiteral("Сертификаты на печать");
    return reportName;
}

ReportPrintJob ListReports::PrintJob()
{
    return [](const Report &report) {
        if (const std::optional<ReportPrintSettings> destination =
                AskPrintDestination(ListReportFileStem(report.jobName())))
            PrinterSink().send(report, *destination);
    };
}

void ListReports::loadTemplate(const QString &file)
{
    const QString path = SafeJoinPath(m_dataDir, file);
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось открыть %1: %2").arg(path, RussianSystemText(in.errorString())));
    report().loadFromData(in.readAll(), path);
}

void ListReports::PrepareSimple(const QString &file)
{
    const ListRowKeeper keep(m_dm);
    loadTemplate(file);
    report().setJobName(file == ListReportFile::Statistic ? ListReportName::Statistic : ListReportName::List);
    report().prepare();
}

void ListReports::PrepareCertificates(const std::function<void()> &afterFill)
{
    const ListRowKeeper keep(m_dm);
    Report &r = report();
    loadTemplate(ListReportFile::Cover);
    r.setJobName(ListReportFile::Cover);
    r.prepare();
    DataSet &list = m_dm.ASQM;
    if (list.isActive() && !list.isEmpty())
        for (list.last();; list.prior()) {
            m_cert.LoadTemplate();
            const BlankOffsets offsets = ReadBlankOffsets(m_dm);
            r.setMarginOffsets(offsets.left, offsets.top);
            m_cert.PlaceFooterUnderGoods(r.printableHeightMm());
            m_cert.SetData();
            m_cert.SetCertForPrint(CertPrintMode::Copy);
            m_cert.SetStoredFontSizes(true);
            if (afterFill)
                afterFill();
            m_cert.SetCertForPrint(CertPrintMode::Copy);
            r.setJobName(QString());
            r.prepare(true);
            if (list.recNo() <= 1)
                break;
        }
    // Each certificate was prepared unnamed; the pages together carry the
    // report's name.
    r.setJobName(ListReportName::Certificates);
}
