#include "PythonDocxReader.h"

#include "PythonJson.h"

namespace {

const char *const Script = R"(
import json, sys
import docx
from docx.table import _Cell
d = docx.Document(sys.argv[1])
tables = []
for t in d.tables:
    rows = []
    for r in t.rows:
        cells = []
        for c in (_Cell(tc, t) for tc in r._tr.tc_lst):  # as the row holds them, grid or none
            sizes = [run.font.size.pt if run.font.size else None for p in c.paragraphs for run in p.runs]
            cells.append({"text": c.text, "sizes": sizes})
        rule = r.height_rule
        rows.append({"height": r.height.pt if r.height is not None else None,
                     "rule": int(rule) if rule is not None else None, "cells": cells})
    tables.append({"rows": rows})
print(json.dumps({"sections": len(d.sections), "tables": tables}))
)";

} // namespace

QJsonObject ReadWithPythonDocx(const QString &fileName)
{
    return RunPythonJson(Script, fileName, "python-docx");
}

QJsonArray DocxRows(const QJsonObject &read, int table)
{
    return read[QStringLiteral("tables")].toArray()[table - 1].toObject()[QStringLiteral("rows")].toArray();
}

QJsonObject DocxRow(const QJsonObject &read, int table, int row)
{
    return DocxRows(read, table)[row - 1].toObject();
}

QString DocxCellText(const QJsonObject &read, int table, int row, int column)
{
    return DocxRow(read, table, row)[QStringLiteral("cells")].toArray()[column - 1].toObject()[QStringLiteral("text")].toString();
}
