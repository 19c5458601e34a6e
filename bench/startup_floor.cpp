// The floor of a start-up: the least a Qt Widgets program does to show a
// page of certificates. It opens the database, counts the list with the count
// statement given and reads the page statement given (the page the list
// shows; both with their values written in), puts the rows into a table
// (texts decoded, wide texts of blob columns as UTF-16LE) and shows it, then
// idles until it is ended. bench_startup times it beside TessalCert.
//
//   bench_startup_floor <database> <page statement> <count statement>
#include <QApplication>
#include <QHeaderView>
#include <QTableWidget>

#include <sqlite3.h>

#include <cstdio>

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
    QTableWidget table(0, columns);
    QStringList titles;
    for (int c = 0; c < columns; ++c)
        titles << QString::fromUtf8(sqlite3_column_name(statement, c));
    table.setHorizontalHeaderLabels(titles);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.verticalHeader()->setDefaultSectionSize(20);
    int row = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        table.insertRow(row);
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
            table.setItem(row, c, new QTableWidgetItem(text));
        }
        ++row;
    }
    sqlite3_finalize(statement);
    table.setWindowTitle(QString::number(listed));
    table.resize(1200, 800);
    table.show();
    if (row > 0)
        table.selectRow(0);
    const int code = app.exec();
    sqlite3_close(db);
    return code;
}
