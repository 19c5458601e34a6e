// The floor of a start-up: the least a Qt Widgets program does to show a
// page of certificates. It opens the database, counts the list with the count
// statement given and reads the page statement given (the page the list
// shows; both with their values written in), keeps the rows' texts (decoded,
// wide texts of blob columns as UTF-16LE) and shows them in a table view over
// a model of those rows, then idles until it is ended. bench_startup times it
// beside TessalCert.
//
//   bench_startup_floor <database> <page statement> <count statement>
#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QTableView>

#include <sqlite3.h>

#include <cstdio>
#include <vector>

namespace {

// The rows read, as the view asks for them.
class RowsModel : public QAbstractTableModel {
public:
    RowsModel(QStringList titles, std::vector<QStringList> rows) : m_titles(std::move(titles)), m_rows(std::move(rows)) {}
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : int(m_titles.size()); }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return m_rows[size_t(index.row())].at(index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return orientation == Qt::Horizontal ? QVariant(m_titles.at(section)) : QVariant(section + 1);
    }

private:
    QStringList m_titles;
    std::vector<QStringList> m_rows;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <database> <page statement> <count statement>\n", argv[0]);
        return 2;
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 1;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, argv[3], -1, &statement, nullptr) != SQLITE_OK || sqlite3_step(statement) != SQLITE_ROW) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    const sqlite3_int64 listed = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    statement = nullptr;
    if (sqlite3_prepare_v2(db, argv[2], -1, &statement, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    const int columns = sqlite3_column_count(statement);
    QStringList titles;
    for (int c = 0; c < columns; ++c)
        titles << QString::fromUtf8(sqlite3_column_name(statement, c));
    std::vector<QStringList> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QStringList texts;
        texts.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            QString text;
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_INTEGER: text = QString::number(sqlite3_column_int64(statement, c)); break;
            case SQLITE_TEXT: text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, c))); break;
            case SQLITE_BLOB:
                text = QString::fromUtf16(static_cast<const char16_t *>(sqlite3_column_blob(statement, c)),
                                          sqlite3_column_bytes(statement, c) / 2);
                break;
            default: break;
            }
            texts << text;
        }
        rows.push_back(std::move(texts));
    }
    sqlite3_finalize(statement);
    const bool any = !rows.empty();
    RowsModel model(titles, std::move(rows));
    QTableView table;
    table.setModel(&model);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.verticalHeader()->setDefaultSectionSize(20);
    table.setWindowTitle(QString::number(listed));
    table.resize(1200, 800);
    table.show();
    if (any)
        table.selectRow(0);
    const int code = app.exec();
    sqlite3_close(db);
    return code;
}
