#pragma once
// Stands for Word's document editing on a .docx file: a document read into
// memory, changed through table cells addressed as Word numbers them (tables,
// rows and columns from 1), and returned as the bytes of a new archive for
// the caller to write. Every part other than word/document.xml is carried
// over unchanged.
#include <QByteArray>
#include <QString>
#include <memory>

class DocxDocument {
public:
    // Raises AppError when the bytes are no Word document (see ReadDocxTables).
    explicit DocxDocument(const QByteArray &docx);
    ~DocxDocument();
    DocxDocument(const DocxDocument &) = delete;
    DocxDocument &operator=(const DocxDocument &) = delete;

    int tableCount() const;
    int rowCount(int table) const;

    // Replaces the cell's text. CR LF, CR and LF break lines, a tab is a tab,
    // other control characters are left out. A font size above 0 is set on
    // the cell's runs (and its paragraph mark) in points.
    void setCellText(int table, int row, int column, const QString &text, double fontSizePt = 0);
    QString cellText(int table, int row, int column) const;
    int cellCount(int table, int row) const;

    // What the layout of a row needs: its height setting and, for each cell,
    // its width and the font of its first run.
    struct RowHeightSetting {
        double points = 0; // 0: none
        bool exact = false;
    };
    struct CellLook {
        double widthPt = 0;
        double fontSizePt = 10; // the first run's, or Word's default
        QString fontFamily;     // the first run's, or "Times New Roman"
    };
    RowHeightSetting rowHeight(int table, int row) const;
    CellLook cellLook(int table, int row, int column) const;
    // The row's exact height in points (w:trHeight, rule "exact"); 0 removes it.
    void setRowHeight(int table, int row, double points);
    // A copy of Row, its texts emptied, inserted below it.
    void insertRowBelow(int table, int row);
    void deleteRow(int table, int row);

    // Leaves the body empty, its section settings apart.
    void clearBody();
    // Appends a plain table of Columns columns and one empty row; returns its number.
    int appendTable(int columns);
    // Appends an empty row to the table, like its last row.
    void appendRow(int table);

    // Appends the body of Other (its blocks, without its section settings).
    void appendBody(const DocxDocument &other);
    // A section break (new page) after what the body holds: what is appended
    // next starts a new section on a new page, with the same page settings.
    void appendSectionBreak();

    // The whole document as .docx bytes.
    QByteArray save() const;

private:
    struct Data;
    std::unique_ptr<Data> d;
};
