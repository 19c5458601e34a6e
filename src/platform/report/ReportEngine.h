#pragma once
// Stands for the report designer. A report template (our own XML format, see
// docs/report-templates.md) holds one page with bands of memo objects. The
// caller finds objects by name and changes their visibility, font and text,
// registers the functions that bracket expressions in memo texts call, plugs
// in data sources for the master-data bands, shifts the page margins, and
// prepares the report into pages. Prepared pages are shown in ReportPreview,
// printed, or written as PDF with their texts kept as selectable text.
// The engine knows nothing of what the report shows.
#include <QFont>
#include <QHash>
#include <QRectF>
#include <QScrollArea>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QPrinter;

// Geometry of templates and of the API is in millimetres. The page height
// checks of callers are made in report pixels: 96 to the inch.
constexpr double kReportPixelsPerMm = 96.0 / 25.4;
inline double MmToReportPixels(double mm) { return mm * kReportPixelsPerMm; }
inline double ReportPixelsToMm(double px) { return px / kReportPixelsPerMm; }

enum class ReportHAlign { Left, Center, Right };
enum class ReportVAlign { Top, Center, Bottom };

struct ReportFrame {
    bool left = false, top = false, right = false, bottom = false;
    double widthMm = 0.2;
    bool any() const { return left || top || right || bottom; }
};

struct ReportFontSpec {
    QString family = QStringLiteral("Arial");
    double sizePt = 10;
    bool bold = false;
    bool italic = false;
};

// A memo: a box with a frame and a text. The text may hold bracket
// expressions, evaluated when the band is printed.
struct ReportObject {
    QString name;
    double leftMm = 0, topMm = 0, widthMm = 0, heightMm = 0; // top is relative to the band
    ReportFontSpec font;
    ReportHAlign hAlign = ReportHAlign::Left;
    ReportVAlign vAlign = ReportVAlign::Top;
    bool wordWrap = true;
    bool visible = true;
    double paddingMm = 0.5; // inner gap between the box and its text, all four sides
    ReportFrame frame;
    QString text;
};

enum class ReportBandKind { ReportTitle, PageHeader, MasterData, PageFooter, ReportSummary };

struct ReportBand {
    QString name;
    ReportBandKind kind = ReportBandKind::MasterData;
    double heightMm = 0;
    QString dataSource;  // master data: name of the data source it repeats over
    bool stretch = false; // memos grow to their text and the band with them
    QString beforePrint; // expression evaluated (result dropped) before each print of the band
    std::vector<ReportObject> objects;
};

struct ReportPageSetup {
    QString name;
    double paperWidthMm = 210, paperHeightMm = 297;
    double leftMarginMm = 0, topMarginMm = 0, rightMarginMm = 0, bottomMarginMm = 0;
};

// Rows for a master-data band. A dataset adapter implements it.
class ReportDataSource {
public:
    virtual ~ReportDataSource() = default;
    virtual int rowCount() = 0;
    // Makes row Row (0-based) current, so the expression functions read it.
    virtual void goToRow(int row) = 0;
};

// One text box of a prepared page, at its place on the paper.
struct ReportPreparedItem {
    QRectF rectMm;
    QString text;
    ReportFontSpec font;
    ReportHAlign hAlign = ReportHAlign::Left;
    ReportVAlign vAlign = ReportVAlign::Top;
    bool wordWrap = true;
    double paddingMm = 0.5;
    ReportFrame frame;
};

struct ReportPreparedPage {
    QSizeF paperMm;
    QVector<ReportPreparedItem> items;
};

struct ReportPrintSettings {
    QString printerName; // empty: the system's default printer
    int copies = 1;
    QString jobName;
    QString outputFileName; // not empty: a PDF file written in place of any printer
};

// Text measurement shared by layout, fitting and painting.
namespace ReportText {
// Height in mm that Text needs inside Object's width at SizePt, padding included.
double RequiredHeightMm(const ReportObject &object, const QString &text, double sizePt);
// The font used to lay out and draw text at SizePt.
QFont LayoutFont(const ReportFontSpec &spec, double sizePt);
}

class Report {
public:
    using Function = std::function<QString(const QStringList &args)>;

    // Loading replaces the template (names found before become invalid) and keeps
    // the prepared pages. Errors throw AppError naming the file and the fault.
    void loadFromFile(const QString &fileName);
    void loadFromData(const QByteArray &xml, const QString &sourceName = QString());
    bool isLoaded() const { return m_loaded; }

    ReportPageSetup &page() { return m_page; }
    const ReportPageSetup &page() const { return m_page; }
    std::vector<ReportBand> &bands() { return m_bands; }
    // Nullptr when no object / band of that name exists.
    ReportObject *findObject(const QString &name);
    ReportBand *findBand(const QString &name);

    // Millimetres added to the template's left and top margins. Setting them
    // again replaces the earlier offsets; they never add up.
    void setMarginOffsets(double leftMm, double topMm);
    double leftMarginMm() const { return m_page.leftMarginMm + m_offsetLeftMm; }
    double topMarginMm() const { return m_page.topMarginMm + m_offsetTopMm; }
    // Paper height less the (shifted) top and the bottom margin.
    double printableHeightMm() const;

    // Functions of bracket expressions, matched by name without regard to case.
    void registerFunction(const QString &name, Function function);
    // Data source of the master-data bands bound to Name; nullptr removes it.
    // The report does not own it.
    void setDataSource(const QString &name, ReportDataSource *source);
    // Text with its bracket expressions replaced by their values.
    QString evaluate(const QString &text);

    // Whether the object's present text, taken as it stands, fits its box at SizePt.
    bool fitsAtSize(const ReportObject &object, double sizePt) const;

    // Lays the template out into pages. Append keeps the pages prepared before.
    void prepare(bool append = false);
    const QVector<ReportPreparedPage> &preparedPages() const { return m_pages; }
    void clearPrepared() { m_pages.clear(); }

    QString jobName() const { return m_jobName; }
    void setJobName(const QString &name) { m_jobName = name; }

    // Writes the prepared pages to a PDF file; throws AppError when it cannot.
    void exportPdf(const QString &fileName) const;
    // Draws the prepared pages onto an already set-up printer (also PDF printers).
    void printTo(QPrinter &printer, int copies) const;

private:
    bool m_loaded = false;
    ReportPageSetup m_page;
    std::vector<ReportBand> m_bands;
    double m_offsetLeftMm = 0, m_offsetTopMm = 0;
    QHash<QString, Function> m_functions; // keys in upper case
    QHash<QString, ReportDataSource *> m_sources;
    QHash<QString, QString> m_variables; // Page, Line while preparing
    QVector<ReportPreparedPage> m_pages;
    QString m_jobName;
};

// Draws one prepared page with its paper's top-left corner at the painter's
// origin, DeviceUnitsPerMm device units to the millimetre.
void PaintReportPage(QPainter &painter, const ReportPreparedPage &page, double deviceUnitsPerMm);

// Preview of prepared pages, stacked from top to bottom, with zoom.
class ReportPreview : public QScrollArea {
    Q_OBJECT
public:
    enum class ZoomMode { Plain, PageWidth, WholePage };
    explicit ReportPreview(QWidget *parent = nullptr);

    void setPages(const QVector<ReportPreparedPage> &pages);
    int pageCount() const;
    // Plain zoom factor (1.0 = paper size at 96 dots to the inch).
    void setZoom(double zoom);
    void setZoomMode(ZoomMode mode);
    ZoomMode zoomMode() const { return m_mode; }
    double zoom() const; // the factor in use, also for page width and whole page
    void zoomIn();  // to plain zoom, ×1.25 unless already 4 or more
    void zoomOut(); // to plain zoom, ×0.8 while above 0.25

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void relayout();
    QVector<ReportPreparedPage> m_pages;
    double m_zoom = 1.0;
    ZoomMode m_mode = ZoomMode::Plain;
};
