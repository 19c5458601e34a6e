#include "CommonReportTessal.h"

#include "CommonTessal.h"
#include "DataTessal.h"
#include "GGDateTime.h"
#include "KDSUtils.h"

namespace {

bool HasCurrentRow(const DataSet &dataSet)
{
    return dataSet.isActive() && !dataSet.isEmpty() && dataSet.currentRow() >= 0;
}

QString DateText(const Field &field)
{
    SetDateFormats();
    return field.isNull() ? QString() : FormatDayNumber(field.asInteger());
}

// The value of the first search option whose name contains Part, any case.
QString SearchOptionValue(DataSet &options, const QString &part)
{
    if (!LocateWide(options, QStringLiteral("OptionName"), part,
                    LocateOption::Contains | LocateOption::IgnoreCase))
        return QString();
    return options.fieldByName(QStringLiteral("Value")).asString();
}

} // namespace

QString PaddedCertNo(qint64 certNo)
{
    return QStringLiteral("%1").arg(certNo, 7, 10, QLatin1Char('0'));
}

QString TReportFunctions::GetTextOfObj(int nObj)
{
    if (nObj >= 21 && nObj <= 24)
        return goodsText(nObj);
    if (nObj >= 6101 && nObj <= 6105)
        return searchOptionText(nObj);
    switch (nObj) {
    case 6001: return m_dm.ReadPhrase(QByteArrayLiteral("ru"), 42);
    case 6003: return QStringLiteral("АРМ №") + QString::number(App().WorkstationNumber);
    case 6006: return goodsText(22);
    default: return headText(nObj);
    }
}

QString TReportFunctions::headText(int nObj)
{
    DataSet &m = m_dm.ASQM;
    if (!HasCurrentRow(m))
        return QString();
    auto wide = [&m](const char *name) { return BlobToWide(m.fieldByName(QString::fromLatin1(name))); };
    auto text = [&m](const char *name) { return m.fieldByName(QString::fromLatin1(name)).asString(); };
    switch (nObj) {
    case 1:
    case 2:
        try {
            return nObj == 1 ? JoinLines(wide("Sender"), wide("Exporter"))
                             : JoinLines(wide("Recipient"), wide("Importer"));
        } catch (const std::exception &) {
            return QString();
        }
    case 3: return wide("transport");
    case 4: return wide("OfficialNote");
    case 5: return wide("DovName");
    case 6: return DateText(m.fieldByName(QStringLiteral("Date11")));
    case 7: return wide("AdditionalInfo");
    case 8: return text("Country12");
    case 9: return text("City11");
    case 10: return text("City12");
    case 12: return DateText(m.fieldByName(QStringLiteral("Date12")));
    case 13: return text("Country5");
    case 14: return text("ReferenceNo");
    case 15: return PaddedCertNo(m.fieldByName(QStringLiteral("CertNo")).asInteger());
    case 6004: return StatusName(uint8_t(m.fieldByName(QStringLiteral("status")).asInteger()));
    case 6005: return text("Expert");
    default: return QString();
    }
}

QString TReportFunctions::goodsText(int nObj)
{
    DataSet &d = m_dm.ASQD;
    if (!HasCurrentRow(d))
        return QString();
    auto wide = [&d](const char *name) { return BlobToWide(d.fieldByName(QString::fromLatin1(name))); };
    switch (nObj) {
    case 21: return wide("d7Num");
    case 22: return wide("d8Description");
    case 23: return JoinLines(wide("d9Count"), wide("d9Package"));
    case 24: return JoinLines(wide("d10Weight"), wide("d10Q"));
    default: return QString();
    }
}

QString TReportFunctions::searchOptionText(int nObj)
{
    DataSet &so = m_dm.cdsSearchOptions;
    if (!so.isActive() || so.isEmpty())
        return QString();
    switch (nObj) {
    case 6101:
    case 6102:
        // The first five records are the search's own bookkeeping.
        if (so.recNo() <= 5)
            return QString();
        return so.fieldByName(nObj == 6101 ? QStringLiteral("OptionName") : QStringLiteral("Value")).asString();
    case 6103: return SearchOptionValue(so, QStringLiteral("Выдан (С)"));
    case 6104: return SearchOptionValue(so, QStringLiteral("Выдан до (По)"));
    case 6105: {
        if (so.recordCount() < 2)
            return QString();
        so.setRecNo(2);
        static const QString found = QStringLiteral("Найдено документов: ");
        const QString name = so.fieldByName(QStringLiteral("OptionName")).asString();
        const int at = name.indexOf(found);
        return at < 0 ? QString() : name.mid(at + found.size());
    }
    default: return QString();
    }
}

void TReportFunctions::SetVisibleObj(Report &report, int nPage)
{
    if (nPage < 2)
        return;
    if (ReportBand *footer = report.findBand(QStringLiteral("PageFooter1")))
        for (ReportObject &object : footer->objects)
            object.visible = true;
}

int DataSetReportSource::rowCount()
{
    return m_dataSet.isActive() ? m_dataSet.recordCount() : 0;
}

void DataSetReportSource::goToRow(int row)
{
    m_dataSet.setRecNo(row + 1);
}

void RegisterReportFunctions(Report &report, TDM &dm, Report &footerTarget)
{
    report.registerFunction(QStringLiteral("GetTextOfObj"), [&dm](const QStringList &args) {
        return TReportFunctions(dm).GetTextOfObj(args.value(0).toInt());
    });
    report.registerFunction(QStringLiteral("SetVisibleObj"), [&footerTarget](const QStringList &args) {
        TReportFunctions::SetVisibleObj(footerTarget, args.value(0).toInt());
        return QString();
    });
}
