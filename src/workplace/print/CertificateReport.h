#pragma once
// A certificate as a filled report: the template of its language, the texts
// of the data memos, the three print modes, the offsets of the blank with the
// footer rule, the font size of each field (stored, chosen or fitted) and the
// checks made before anything goes to the printer. The preview page and the
// print page drive it; it needs no window.
#include "CommonReportTessal.h"
#include "GGCollect.h"
#include "ReportEngine.h"
#include "ggError.h"

#include <QString>
#include <array>
#include <memory>

class TDM;

// Copy on plain paper, original on the numbered blank, number imprint into a
// blank that was filled before.
enum class CertPrintMode { Copy = 0, Original = 1, NumberImprint = 2 };

// The offsets of the blank (millimetres), program-wide options udLeft and udTop.
struct BlankOffsets {
    int left = 0;
    int top = 0;
};
// 0 for a missing or unreadable option.
BlankOffsets ReadBlankOffsets(TDM &dm);

// Sends a prepared report to a printer. Failing before any page went out, it
// raises AppError; once a page may have gone out, PrintJobInterrupted, so
// that nobody repeats the job onto further blanks.
class PrintSink {
public:
    virtual ~PrintSink() = default;
    // Raises PrinterUnavailable when no job can reach the printer of Settings.
    virtual void checkReady(const ReportPrintSettings &settings) { (void)settings; }
    virtual void send(const Report &report, const ReportPrintSettings &settings) = 0;
};

class PrintJobInterrupted : public AppError {
public:
    using AppError::AppError;
};

// No printer to print on: no attempt can succeed until the operator sets one up.
class PrinterUnavailable : public AppError {
public:
    using AppError::AppError;
};

// The printer of ReportPrintSettings (the system's default when it is empty),
// or the PDF file of its outputFileName when that is set. The file is
// replaced only by a complete job: the pages go to a temporary file beside
// it, renamed over it at the end.
class PrinterSink : public PrintSink {
public:
    void checkReady(const ReportPrintSettings &settings) override;
    void send(const Report &report, const ReportPrintSettings &settings) override;
};

// The fields whose font size the operator chooses (1 to 12) and what each
// field's size applies to.
namespace CertFields {
constexpr int Count = 12;
// The choice "Автоматически": the size that fits the box, from 10 down to 6.
constexpr int AutoSize = 0;
constexpr int MinFitSize = 6, MaxFitSize = 10;
bool IsGoodsField(int field); // 7 to 10: the goods columns
}

class CertificateReport {
public:
    // DataDir holds the templates h_<language>.fr3.
    CertificateReport(TDM &dm, const QString &dataDir);
    ~CertificateReport();
    CertificateReport(const CertificateReport &) = delete;
    CertificateReport &operator=(const CertificateReport &) = delete;

    Report &report() { return m_report; }
    TDM &dm() { return m_dm; }

    // data/h_<language>.fr3; the language must be two Latin letters.
    static QString TemplatePath(const QString &dataDir, const QString &language);

    // The whole load for the preview (stored or fitted sizes) or for printing
    // (stored sizes only): template, offsets and footer, texts, copy mode,
    // sizes, prepared pages. A failing load is tried again after a pause, six
    // times in all; then "не можем сместить объекты" is raised.
    void LoadForPreview();
    void LoadForPrint();
    int loadAttempts = 6;
    int loadRetryPauseMs = 600;

    // The steps of a load.
    void LoadTemplate();
    void SetSpace();
    // The footer's height: the page height less the upper part and the goods
    // area, so that boxes 11 and 12 come right under the goods.
    void PlaceFooterUnderGoods(double pageHeightMm);
    void SetData();
    void SetCertForPrint(CertPrintMode mode);
    void Prepare() { m_report.prepare(); }

    // Font sizes. The choice of a field is 6 to 10 or CertFields::AutoSize.
    void SetStoredFontSizes(bool noAutomatic);
    void SetAutoFontSizes();
    void UpdateFont(int field, int choice);
    int fieldChoice(int field) const { return m_choice.at(field); }
    // The size the field's (first) memo has now.
    int fieldSize(int field);
    const TqlListNumeric &StoredSizes() const { return m_storedSizes; }
    // Whether the current certificate is a project (its sizes may be saved).
    bool isProject();

    enum class SaveResult { Saved, InterlockLost, NotProject, Failed };
    // Stores the fields' sizes in the current project's row, after making sure
    // the database is still this run's.
    SaveResult SaveFontSizes();

    // The user's AutoFontSize option: on unless it is exactly "False".
    bool AutoFontSizeOn();
    void SetAutoFontSizeOn(bool on);

    // Checks the prepared certificate and sends it to Destination (its
    // printer or file): every check comes before the first page. Copies
    // below 1 print one.
    void PrintReport(CertPrintMode mode, const QString &jobName, int copies, const ReportPrintSettings &destination,
                     PrintSink &sink);

private:
    void loadWithRetries(bool forPrint, const QByteArray &location);
    ReportObject &object(const QString &name);
    double heightPx(const QString &name);
    void setFontObject(ReportObject &memo, int choice);
    void fitField(const QString &memoName, int textObject, int choice);
    void setFieldSize(int field, int size);

    TDM &m_dm;
    QString m_dataDir;
    Report m_report;
    DataSetReportSource m_headSource, m_goodsSource, m_searchSource;
    TqlListNumeric m_storedSizes;
    std::array<int, CertFields::Count + 1> m_choice{}; // index 1..12
};

// The memos of a field whose size is saved and checked (field 11: dMemo12,
// field 12: dMemo9).
QString FieldSizeMemo(int field);
