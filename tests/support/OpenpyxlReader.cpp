#include "OpenpyxlReader.h"

#include <QJsonDocument>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

const char *const Script = R"(
import json, sys, datetime
from openpyxl import load_workbook
book = load_workbook(sys.argv[1])
out = {"active": book.index(book.active) + 1, "sheets": []}
for ws in book.worksheets:
    cells, fonts = {}, {}
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                v = c.value
                cells[c.coordinate] = v.isoformat() if isinstance(v, (datetime.date, datetime.datetime)) else v
                fonts[c.coordinate] = c.font.sz
    heights = {str(r): d.height for r, d in ws.row_dimensions.items() if d.height is not None}
    out["sheets"].append({"title": ws.title, "state": ws.sheet_state, "cells": cells, "fonts": fonts,
                          "merges": [str(m) for m in ws.merged_cells.ranges], "heights": heights,
                          "breaks": [b.id + 1 for b in ws.row_breaks.brk]})
print(json.dumps(out))
)";

} // namespace

QJsonObject ReadWithOpenpyxl(const QString &fileName)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(Script), fileName});
    const bool finished = python.waitForFinished(60000);
    const QByteArray output = python.readAllStandardOutput();
    EXPECT_TRUE(finished && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0)
        << "openpyxl could not read " << fileName.toStdString() << ": "
        << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(output).object();
}
