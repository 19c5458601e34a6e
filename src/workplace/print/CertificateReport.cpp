#include "CertificateReport.h"
#include "StrictDecimal.h"

#include "AtomicFileWriter.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "Prompter.h"
#include "ggFiles.h"
#include "uDlgNetExit.h"

#include <QLocale>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cmath>

namespace {

struct FieldMemo {
    const char *memo;
    int textObject; // the object number whose text the memo shows
};

// The memos of each field (index 1..12) and the object numbers of their texts.
const QList<FieldMemo> &FieldMemos(int field)
{
    static const QList<FieldMemo> table[CertFields::Count + 1] = {
        {},
        {{"dMemo1", 1}},
        {{"dMemo2", 2}},
        {{"dMemo3", 3}},
        {{"dMemo4", 4}},
        {{"dMemo5", 13}},
        {{"dMemo6", 7}},
        {{"gMemo1", 21}},
        {{"gMemo2", 22}},
        {{"gMemo3", 23}},
        {{"gMemo4", 24}},
        {{"dMemo12", 5}, {"dMemo13", 9}, {"dMemo14", 6}},
        {{"dMemo9", 8}, {"dMemo7", 10}, {"dMemo10", 12}},
    };
    return table[field];
}

QString Expression(int textObject)
{
    return QStringLiteral("[GetTextOfObj(%1);]").arg(textObject);
}

QString Name(const char *name)
{
    return QString::fromLatin1(name);
}

// Numbers in the diagnostic records, as short as they can be written.
QString Number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

void Diagnostic(const QString &text)
{
    WriteEventLog(EventType::Success, EventCategory::Diagnostics, EventId::Diagnostic, {text});
}

// The lowest page height (report pixels) at which the certificate fits with
// the top offset.
double PageHeightBound(int topOffset)
{
    return 1085 - 4 * topOffset - 10;
}

int OptionInteger(TDM &dm, const QString &name)
{
    const auto value = ParseStrictDecimal(dm.ReadOption(CommonUser, name).trimmed().toUtf8());
    return value && *value >= INT32_MIN && *value <= INT32_MAX ? int(*value) : 0;
}

} // namespace

bool CertFields::IsGoodsField(int field)
{
    return field >= 7 && field <= 10;
}

QString FieldSizeMemo(int field)
{
    return Name(FieldMemos(field).first().memo);
}

BlankOffsets ReadBlankOffsets(TDM &dm)
{
    return {OptionInteger(dm, QStringLiteral("udLeft")), OptionInteger(dm, QStringLiteral("udTop"))};
}

namespace {
QString PrinterOf(const ReportPrintSettings &settings)
{
    return settings.printerName.isEmpty() ? QPrinterInfo::defaultPrinterName() : settings.printerName;
}
} // namespace

void PrinterSink::checkReady(const ReportPrintSettings &settings)
{
    if (!settings.outputFileName.isEmpty())
        return; // a file needs no printer
    const QString name = PrinterOf(settings);
    if (name.isEmpty())
        throw PrinterUnavailable(QStringLiteral("Принтер не установлен"));
    if (QPrinterInfo::printerInfo(name).isNull())
        throw PrinterUnavailable(QStringLiteral("Принтер %1 недоступен").arg(name));
}

void PrinterSink::send(const Report &report, const ReportPrintSettings &settings)
{
    checkReady(settings);
    QPrinter printer(QPrinter::HighResolution);
    if (!settings.outputFileName.isEmpty()) {
        try {
            AtomicFileWriter file(settings.outputFileName);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file.temporaryName());
            report.printTo(printer, settings.copies);
            file.commit();
        } catch (const std::exception &e) {
            throw PrintJobInterrupted(ExceptionText(e));
        }
        return;
    }
    const QString name = PrinterOf(settings);
    printer.setPrinterName(name);
    if (!printer.isValid())
        throw AppError(QStringLiteral("Принтер %1 недоступен").arg(name));
    try {
        report.printTo(printer, settings.copies);
    } catch (const std::exception &e) {
        throw PrintJobInterrupted(ExceptionText(e));
    }
}

CertificateReport::CertificateReport(TDM &dm, const QString &dataDir)
    : m_dm(dm), m_dataDir(dataDir), m_headSource(dm.ASQM), m_goodsSource(dm.ASQD),
      m_searchSource(dm.cdsSearchOptions)
{
    RegisterReportFunctions(m_report, m_dm, m_report);
    m_report.setDataSource(ReportSourceName::Head, &m_headSource);
    m_report.setDataSource(ReportSourceName::Goods, &m_goodsSource);
    m_report.setDataSource(ReportSourceName::SearchOptions, &m_searchSource);
    m_choice.fill(CertFields::AutoSize);
}

CertificateReport::~CertificateReport() = default;

QString CertificateReport::TemplatePath(const QString &dataDir, const QString &language)
{
    static const QRegularExpression twoLetters(QStringLiteral("^[A-Za-z]{2}$"));
    if (!twoLetters.match(language).hasMatch())
        throw AppError(QStringLiteral("Недопустимый язык сертификата: \"%1\"").arg(language));
    return SafeJoinPath(dataDir, QStringLiteral("h_") + language + QStringLiteral(".fr3"));
}

ReportObject &CertificateReport::object(const QString &name)
{
    ReportObject *found = m_report.findObject(name);
    if (!found)
        throw AppError(QStringLiteral("В шаблоне нет объекта %1").arg(name));
    return *found;
}

double CertificateReport::heightPx(const QString &name)
{
    return MmToReportPixels(object(name).heightMm);
}

void CertificateReport::LoadTemplate()
{
    const QString language = m_dm.ASQM.fieldByName(QStringLiteral("Language")).asString();
    m_report.loadFromFile(TemplatePath(m_dataDir, language));
}

void CertificateReport::SetSpace()
{
    try {
        const BlankOffsets offsets = ReadBlankOffsets(m_dm);
        // The template's own margins plus the offsets: loading or shifting again never adds up.
        m_report.setMarginOffsets(offsets.left, offsets.top);
        const double pageHeight = m_report.printableHeightMm();
        if (MmToReportPixels(pageHeight) < PageHeightBound(offsets.top))
            throw AppError(QStringLiteral("frxReport.Engine.PageHeight вышел за ожидаемые пределы"));
        PlaceFooterUnderGoods(pageHeight);
    } catch (const std::exception &e) {
        LogException("FormView.TfView.aSetSpaceExecute", e);
        throw AppError(QStringLiteral("не работает frxReport.Engine"));
    }
}

void CertificateReport::PlaceFooterUnderGoods(double pageHeightMm)
{
    ReportBand *footer = m_report.findBand(QStringLiteral("PageFooter1"));
    if (!footer)
        throw AppError(QStringLiteral("В шаблоне нет объекта PageFooter1"));
    footer->heightMm = pageHeightMm - object(QStringLiteral("obj_5")).heightMm - object(QStringLiteral("obj_7")).heightMm;
}

void CertificateReport::SetData()
{
    DataSet &m = m_dm.ASQM;
    if (!m.isActive() || m.isEmpty())
        return;
    object(QStringLiteral("dMemo0")).text = PaddedCertNo(m.fieldByName(QStringLiteral("CertNo")).asInteger());
    for (int field = 1; field <= CertFields::Count; ++field) {
        if (CertFields::IsGoodsField(field))
            continue;
        for (const FieldMemo &memo : FieldMemos(field))
            object(Name(memo.memo)).text = Expression(memo.textObject);
    }
    const QString referenceNo = m.fieldByName(QStringLiteral("ReferenceNo")).asString();
    object(QStringLiteral("dMemo8")).text = referenceNo;
    object(QStringLiteral("dMemo11")).text = referenceNo;
}

void CertificateReport::SetCertForPrint(CertPrintMode mode)
{
    const bool copy = mode == CertPrintMode::Copy;
    const bool data = mode != CertPrintMode::NumberImprint;
    for (int i = 1; i <= 100; ++i) {
        ReportObject *form = m_report.findObject(QStringLiteral("obj_%1").arg(i));
        if (!form)
            break;
        form->visible = copy;
    }
    object(QStringLiteral("dMemo0")).visible = copy;
    for (int i = 1; i <= 100; ++i) {
        ReportObject *memo = m_report.findObject(QStringLiteral("dMemo%1").arg(i));
        if (!memo)
            break;
        memo->visible = data;
    }
    if (ReportBand *header = m_report.findBand(QStringLiteral("PageHeader1")))
        for (ReportObject &o : header->objects)
            o.visible = true;
    object(QStringLiteral("pMemo1")).visible = data;
    for (const char *always : {"dMemo8", "dMemo11", "dMemo12", "dMemo14", "dMemo13"})
        object(Name(always)).visible = true;
    for (const char *goods : {"gMemo1", "gMemo2", "gMemo3", "gMemo4"})
        object(Name(goods)).visible = data;
}

bool CertificateReport::isProject()
{
    DataSet &m = m_dm.ASQM;
    return m.isActive() && !m.isEmpty() && m.fieldByName(QStringLiteral("status")).asInteger() == 6;
}

bool CertificateReport::AutoFontSizeOn()
{
    return m_dm.ReadOption(App().CurrentUserName, QStringLiteral("AutoFontSize")) != QLatin1String("False");
}

void CertificateReport::SetAutoFontSizeOn(bool on)
{
    m_dm.SaveOption(App().CurrentUserName, QStringLiteral("AutoFontSize"),
                    on ? QStringLiteral("True") : QStringLiteral("False"));
}

void CertificateReport::setFieldSize(int field, int size)
{
    for (const FieldMemo &memo : FieldMemos(field))
        object(Name(memo.memo)).font.sizePt = size;
}

int CertificateReport::fieldSize(int field)
{
    return int(std::lround(object(FieldSizeMemo(field)).font.sizePt));
}

void CertificateReport::SetStoredFontSizes(bool noAutomatic)
{
    if (!noAutomatic && isProject() && AutoFontSizeOn()) {
        SetAutoFontSizes();
        return;
    }
    m_storedSizes.Clear();
    DataSet &m = m_dm.ASQM;
    for (int field = 1; field <= CertFields::Count; ++field) {
        int size = 0;
        if (m.isActive() && !m.isEmpty()) {
            const auto stored = ParseStrictDecimal(m.fieldByName(QStringLiteral("fSize%1").arg(field)).asString().toUtf8());
            if (stored && *stored >= 1 && *stored <= 10)
                size = int(*stored);
        }
        if (size == 0)
            size = 10;
        m_storedSizes.Add(size);
        setFieldSize(field, size);
        m_choice[field] = size >= CertFields::MinFitSize ? size : CertFields::AutoSize;
    }
    Diagnostic(QStringLiteral("установили_2 dMemo7.Font.Size=") + Number(object(QStringLiteral("dMemo7")).font.sizePt));
}

void CertificateReport::SetAutoFontSizes()
{
    for (int field = 1; field <= CertFields::Count; ++field)
        if (!CertFields::IsGoodsField(field))
            UpdateFont(field, CertFields::AutoSize);
}

void CertificateReport::setFontObject(ReportObject &memo, int choice)
{
    if (choice != CertFields::AutoSize) {
        memo.font.sizePt = choice;
        return;
    }
    if (!memo.name.startsWith(QLatin1Char('d')))
        return;
    int size = CertFields::MaxFitSize;
    while (size > CertFields::MinFitSize && !m_report.fitsAtSize(memo, size))
        --size;
    memo.font.sizePt = size;
}

// The memo shows its plain text while its size is chosen, so that the
// height can be measured, and gets its expression back however that ends.
void CertificateReport::fitField(const QString &memoName, int textObject, int choice)
{
    ReportObject &memo = object(memoName);
    const QString kept = memo.text;
    memo.text = TReportFunctions(m_dm).GetTextOfObj(textObject);
    try {
        setFontObject(memo, choice);
    } catch (...) {
        memo.text = kept;
        throw;
    }
    memo.text = kept;
}

void CertificateReport::UpdateFont(int field, int choice)
{
    if (field < 1 || field > CertFields::Count)
        return;
    if (CertFields::IsGoodsField(field) && choice == CertFields::AutoSize)
        return;
    m_choice[field] = choice;
    double smallest = CertFields::MaxFitSize;
    for (const FieldMemo &memo : FieldMemos(field)) {
        fitField(Name(memo.memo), memo.textObject, choice);
        smallest = std::min(smallest, object(Name(memo.memo)).font.sizePt);
    }
    if (FieldMemos(field).size() > 1) {
        // The memos of box 11 (and of box 12) share one size: the smallest each would take.
        for (const FieldMemo &memo : FieldMemos(field))
            object(Name(memo.memo)).font.sizePt = smallest;
    }
    if (field == 12)
        Diagnostic(QStringLiteral("установили_1 dMemo7.Font.Size=") + Number(smallest));
}

CertificateReport::SaveResult CertificateReport::SaveFontSizes()
{
    const QUuid holder(m_dm.ReadOption(CommonUser, QStringLiteral("NetGuid")).trimmed());
    if (holder != InstanceGuid()) {
        Prompts().inform(QStringLiteral("Другой экземпляр программы захватил базу данных. Сохранение невозможно."),
                         App().MessageTitle, Prompt::Warning);
        App().StopFlag = true;
        return SaveResult::InterlockLost;
    }
    if (!isProject())
        return SaveResult::NotProject;
    QList<int> sizes;
    for (int field = 1; field <= CertFields::Count; ++field) {
        if (!m_report.findObject(FieldSizeMemo(field)))
            return SaveResult::Failed;
        sizes << fieldSize(field);
    }
    const qint64 id = m_dm.ASQM.fieldByName(QStringLiteral("id")).asInteger();
    QStringList assignments;
    for (int field = 1; field <= CertFields::Count; ++field)
        assignments << QStringLiteral("fSize%1 = :fSize%1").arg(field);
    const QString sql = QStringLiteral("update mcod set ") + assignments.join(QStringLiteral(", "))
                        + QStringLiteral(" where id = :id");
    SqlQuery &query = m_dm.ALQueryWork;
    try {
        SqliteTransaction transaction(m_dm.ASQLite3DBd);
        query.close();
        query.setSql(sql);
        for (int field = 1; field <= CertFields::Count; ++field)
            query.paramByName(QStringLiteral("fSize%1").arg(field)).setInteger(sizes.at(field - 1));
        query.paramByName(QStringLiteral("id")).setInteger(id);
        query.execSql();
        transaction.commit();
        query.close();
    } catch (const std::exception &e) {
        query.close();
        LogFunctionFailure(QByteArrayLiteral("FormView.TfView.aSaveFontExecute: ") + sql.toUtf8(), ExceptionText(e));
        return SaveResult::Failed;
    }
    m_dm.ASQM.close();
    m_dm.ASQM.open();
    m_dm.ASQM.locate(QStringLiteral("id"), QVariant(id));
    m_dm.ASQD.close();
    m_dm.ASQD.paramByName(QStringLiteral("id")).setInteger(id);
    m_dm.ASQD.open();
    return SaveResult::Saved;
}

void CertificateReport::loadWithRetries(bool forPrint, const QByteArray &location)
{
    QString lastError;
    const int attempts = std::max(1, loadAttempts);
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        try {
            LoadTemplate();
            SetSpace();
            SetData();
            SetCertForPrint(CertPrintMode::Copy);
            SetStoredFontSizes(forPrint);
            Prepare();
            return;
        } catch (const std::exception &e) {
            lastError = ExceptionText(e);
            if (attempt < attempts)
                QThread::msleep(ulong(std::max(0, loadRetryPauseMs)));
        }
    }
    LogException(location, QByteArrayLiteral("iErrorEngine ") + lastError.toUtf8());
    throw AppError(QStringLiteral("не можем сместить объекты"));
}

void CertificateReport::LoadForPreview()
{
    loadWithRetries(false, "FormView.TfView.aFormShowExecute");
}

void CertificateReport::LoadForPrint()
{
    loadWithRetries(true, "TfView.aPrintShowExecute");
}

void CertificateReport::PrintReport(CertPrintMode mode, const QString &jobName, int copies,
                                    const ReportPrintSettings &destination, PrintSink &sink)
{
    const BlankOffsets offsets = ReadBlankOffsets(m_dm);
    SetCertForPrint(mode);
    m_report.setJobName(jobName);
    if (m_storedSizes.Count() == CertFields::Count) {
        for (int field = 1; field <= CertFields::Count; ++field)
            if (fieldSize(field) != m_storedSizes.Items(field - 1))
                throw AppError(QStringLiteral("пропал размер шрифта (PrintReport)"));
    }
    Prepare();
    const double h7 = heightPx(QStringLiteral("obj_7"));
    const double h5 = heightPx(QStringLiteral("obj_5"));
    ReportBand *footer = m_report.findBand(QStringLiteral("PageFooter1"));
    if (!footer)
        throw AppError(QStringLiteral("В шаблоне нет объекта PageFooter1"));
    const double footerHeight = MmToReportPixels(footer->heightMm);
    Diagnostic(QStringLiteral("TfView.PrintReport:h7  ") + Number(h7));
    Diagnostic(QStringLiteral("TfView.PrintReport:h5  ") + Number(h5));
    Diagnostic(QStringLiteral("TfView.PrintReport:PageFooter1.Height  ") + Number(footerHeight));
    const double pageHeight = MmToReportPixels(m_report.printableHeightMm());
    if (pageHeight < PageHeightBound(offsets.top))
        throw AppError(QStringLiteral("что-то плохо построилось на печати"));
    const double e = pageHeight - h5 - h7 - footerHeight;
    Diagnostic(QStringLiteral("TfView.PrintReport:e1-e2  ") + Number(e) + QLatin1Char('-') + Number(4 * offsets.top));
    if (e > 10)
        throw AppError(QStringLiteral("подвал не ушёл вверх"));
    ReportPrintSettings settings = destination;
    settings.copies = std::max(1, copies);
    settings.jobName = jobName;
    sink.send(m_report, settings);
}
