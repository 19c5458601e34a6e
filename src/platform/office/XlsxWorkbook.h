#pragma once
// Stands for Excel automation: a workbook made from a template (.xlsx,
// SpreadsheetML) held in memory, its sheets' cells, styles, merges, row
// heights and page breaks changed the way the exports drove Excel, and the
// finished workbook returned as bytes for the caller to write. Shared strings
// and inline strings are both read; every text written goes out as an inline
// string. Formulas, booleans and errors are kept as they stand (their
// references do not follow inserted rows). Rows and columns count from 1.
#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

struct XlsxRange {
    int firstRow = 1;
    int firstColumn = 1;
    int lastRow = 1;
    int lastColumn = 1;
    bool contains(int row, int column) const
    {
        return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
    }
    bool operator==(const XlsxRange &) const = default;
};

// The column letters: 1 "A", 26 "Z", 27 "AA", 702 "ZZ", 703 "AAA".
QString XlsxColumnLetters(int column);
// "B12" and "A1:E41" as Excel writes them.
QString XlsxCellName(int row, int column);
QString XlsxRangeName(const XlsxRange &range);

// The tallest row Excel takes, in points.
constexpr double XlsxTallestRow = 409;

// The height in points that a text needs in a cell Width points wide, its
// lines wrapped at that width (and at each LF), set in Family at PointSize.
double MeasureWrappedTextHeight(const QString &text, const QString &family, double pointSize, double width);

class XlsxStyles;

class XlsxSheet {
public:
    struct Cell {
        int style = 0;
        enum class Kind { Empty, Text, Number, Raw } kind = Kind::Empty;
        QString text;       // Text
        double number = 0;  // Number
        QByteArray rawXml;  // Raw: a cell of a kind this layer leaves as it is (formula, boolean, error)
    };

    QString name() const { return m_name; }

    // The cell's value as text (numbers in their shortest form); empty for an empty cell.
    QString text(int row, int column) const;
    std::optional<double> number(int row, int column) const;
    // What XML cannot carry is left out, and carriage returns too: a cell's
    // line break is a line feed alone.
    void setText(int row, int column, const QString &text);
    void setNumber(int row, int column, double value);

    double fontSize(int row, int column) const;
    QString fontName(int row, int column) const;
    void setFontSize(int row, int column, double pointSize);
    bool wrapText(int row, int column) const;

    // In points: the row's own height, else the sheet's default.
    double rowHeight(int row) const;
    void setRowHeight(int row, double points);
    // In points, over a merge when the cell is merged.
    double cellWidth(int row, int column) const;
    // In characters of the default font, as Excel keeps them.
    double columnWidth(int column) const;
    // The height the row's texts need: the tallest of its cells' texts,
    // wrapped in their widths where the cell wraps; the sheet's default
    // height when the row holds no text.
    double fittedRowHeight(int row) const;

    // Moves row At and everything below it down by Count (values, styles,
    // heights, merges and breaks); the new rows are empty.
    void insertRows(int at, int count);
    // Pastes Source of From here with its top left cell at (Row, Column):
    // values and styles, empty cells clearing what stood here, merges inside
    // Source carried over and merges here that the paste overlaps removed.
    void copyRange(const XlsxSheet &from, const XlsxRange &source, int row, int column);

    const std::vector<XlsxRange> &merges() const { return m_merges; }
    std::optional<XlsxRange> mergeAt(int row, int column) const;
    void merge(const XlsxRange &range);
    void unmerge(const XlsxRange &range);

    // A manual page break above Row.
    void addRowBreakBefore(int row);
    const std::vector<int> &rowBreaks() const { return m_rowBreaks; }

private:
    friend class XlsxWorkbook;
    struct Row {
        std::optional<double> height;
        std::map<int, Cell> cells;
        std::vector<std::pair<QByteArray, QByteArray>> extraAttributes; // of <row>, left as they are
    };
    struct Columns {
        int min, max;
        double width;
    };
    const Cell *cell(int row, int column) const;
    Cell &cellForWrite(int row, int column);

    QString m_name;
    QString m_path;
    XlsxStyles *m_styles = nullptr;
    std::map<int, Row> m_rows;
    std::vector<XlsxRange> m_merges;
    std::vector<int> m_rowBreaks;
    std::vector<Columns> m_columns;
    double m_defaultRowHeight = 15;
    double m_defaultColumnWidth = 64 / 7.0; // Excel's 64 pixels
    QByteArray m_xml; // the sheet as read, for the parts this layer does not model
};

class XlsxWorkbook {
public:
    // Reads a workbook. Raises AppError when the bytes are no workbook this
    // layer can read.
    explicit XlsxWorkbook(const QByteArray &xlsx);
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook &) = delete;
    XlsxWorkbook &operator=(const XlsxWorkbook &) = delete;

    int sheetCount() const { return int(m_sheets.size()); }
    // 1-based; raises AppError past the last sheet.
    XlsxSheet &sheet(int index);
    const XlsxSheet &sheet(int index) const;

    int activeSheet() const { return m_activeSheet; }
    void setActiveSheet(int index);
    bool isSheetHidden(int index) const;
    void setSheetHidden(int index, bool hidden);

    // The finished workbook.
    QByteArray save() const;

private:
    static QByteArray sheetXml(const XlsxSheet &sheet, bool active);

    QByteArray m_archive;
    QByteArray m_workbookXml;
    std::unique_ptr<XlsxStyles> m_styles;
    std::vector<std::unique_ptr<XlsxSheet>> m_sheets;
    std::vector<bool> m_hidden;
    int m_activeSheet = 1;
};
