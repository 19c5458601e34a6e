#!/usr/bin/env python3
"""Writes the Word templates of the certificate print-out into data/:
TessalFormCertMain_<language>.docx (the blank's first page) and
TessalFormCertNext_<language>.docx (a continuation page), and
SearchTemplate_<language>.docx (one certificate of the Word export of the
listed certificates). The program relies
only on the positions of the tables, rows and cells; run this script again
after changing the layout here.

    python3 tools/make-word-templates.py [data folder]
"""
import os
import sys

import docx
from docx.enum.table import WD_ROW_HEIGHT_RULE
from docx.shared import Cm, Pt

WIDTHS = [Cm(2.5), Cm(9.0), Cm(3.5), Cm(3.9)]  # the goods columns: boxes 7 to 10

LABELS = {
    "ru": {
        "ref": "№", "box1": "1. Грузоотправитель/экспортер", "box2": "2. Грузополучатель/импортер",
        "box3": "3. Средства транспорта и маршрут", "box4": "4. Для служебного использования",
        "box5": "5. Страна происхождения товара", "box6": "6. Дополнительная информация",
        "goods": ["7. № п/п", "8. Описание товара", "9. Количество мест и вид упаковки", "10. Вес брутто/нетто"],
        "box11": "11. Удостоверение", "box12": "12. Декларация заявителя", "page": "Лист",
    },
    "en": {
        "ref": "No.", "box1": "1. Consignor/exporter", "box2": "2. Consignee/importer",
        "box3": "3. Means of transport and route", "box4": "4. For official use",
        "box5": "5. Country of origin", "box6": "6. Remarks",
        "goods": ["7. Item number", "8. Description of goods", "9. Number and kind of packages",
                  "10. Quantity"],
        "box11": "11. Certification", "box12": "12. Declaration by the exporter", "page": "Page",
    },
}


def new_document():
    document = docx.Document()
    section = document.sections[0]
    section.page_width, section.page_height = Cm(21.0), Cm(29.7)
    section.top_margin, section.bottom_margin = Cm(0.8), Cm(0.6)
    section.left_margin, section.right_margin = Cm(1.45), Cm(0.6)
    style = document.styles["Normal"]
    style.font.name = "Times New Roman"
    style.font.size = Pt(10)
    style.paragraph_format.space_after = Pt(0)
    style.paragraph_format.space_before = Pt(0)
    style.paragraph_format.line_spacing = 1.0
    return document


def table(document, rows):
    """Rows of cells; a cell is a text or (text, number of grid columns it spans)."""
    t = document.add_table(rows=len(rows), cols=4)
    t.style = "Table Grid"
    t.autofit = False
    for c, width in enumerate(WIDTHS):
        t.columns[c].width = width  # the grid, which LibreOffice lays out by
    for r, cells in enumerate(rows):
        for c, width in enumerate(WIDTHS):
            t.cell(r, c).width = width
        column = 0
        for cell in cells:
            text, span = cell if isinstance(cell, tuple) else (cell, 1)
            target = t.cell(r, column)
            if span > 1:
                target = target.merge(t.cell(r, column + span - 1))
            target.text = text
            column += span
    return t


def fix_height(t, row, cm):
    t.rows[row - 1].height = Cm(cm)
    t.rows[row - 1].height_rule = WD_ROW_HEIGHT_RULE.EXACTLY


def head_rows(labels):
    """Rows 1 to 9 of the first page: boxes 1 to 6 and the goods heads."""
    return [
        [(labels["box1"], 2), labels["ref"], ""],            # 1: (1, 3) reference number
        [("", 2), "", ""],                                   # 2: (2, 1) box 1, (2, 3) blank number
        [(labels["box2"], 4)],                               # 3
        [("", 4)],                                           # 4: (4, 1) box 2
        [(labels["box3"], 2), (labels["box4"], 2)],          # 5
        [("", 2), ("", 2)],                                  # 6: (6, 1) box 3, (6, 2) box 4
        [(labels["box5"], 2), (labels["box6"], 2)],          # 7
        [("", 2), ("", 2)],                                  # 8: (8, 1) box 5, (8, 2) box 6
        labels["goods"],                                     # 9: the goods heads
    ]


def main_template(labels):
    # Cells as the program numbers them, a merged cell counting once.
    document = new_document()
    t = table(document, head_rows(labels) + [
        ["", "", "", ""],                                    # 10: the goods rows, then the filler
        [(labels["box11"], 2), (labels["box12"], 2)],        # 11
        ["", "", "", ""],                                    # 12
        ["", "", "", ""],                                    # 13: (13, 4) box 12 country
        ["", "", "", ""],                                    # 14: (14, 2) box 11 chamber
        ["", "", "", ""],                                    # 15
        ["", "", "", ""],                                    # 16: (16, 2), (16, 4) cities
        ["", "", "", ""],                                    # 17: (17, 2), (17, 4) dates
    ])
    for row, cm in ((2, 3.0), (4, 3.0), (6, 2.5), (8, 1.5)):
        fix_height(t, row, cm)
    return document


def next_template(labels):
    document = new_document()
    table(document, [
        [labels["page"], "", labels["ref"], ""],             # 1: (1, 2) page number, (1, 4) reference number
        labels["goods"],                                     # 2: the goods heads
        ["", "", "", ""],                                    # 3: the goods rows, then the filler
        [(labels["box11"], 2), (labels["box12"], 2)],        # 4
        ["", "", "", ""],                                    # 5
        ["", "", "", ""],                                    # 6: (6, 4) box 12 country
        ["", "", "", ""],                                    # 7: (7, 2) box 11 chamber
        ["", "", "", ""],                                    # 8
        ["", "", "", ""],                                    # 9: (9, 2), (9, 4) cities
        ["", "", "", ""],                                    # 10: (10, 2), (10, 4) dates
    ])
    return document


def search_template(labels):
    # One certificate of the Word export: head rows 1 to 8, the goods heads in
    # row 9, the goods area in rows 10 to 29, boxes 11 and 12 in rows 30 to 36.
    document = new_document()
    rows = head_rows(labels)
    rows += [["", "", "", ""] for _ in range(10, 30)]      # 10 to 29: the goods area
    rows += [[(labels["box11"], 2), (labels["box12"], 2)]]  # 30
    rows += [["", "", "", ""] for _ in range(31, 37)]      # 31 to 36: (33, 2), (35, 2), (36, 2); (33, 4), ...
    table(document, rows)
    return document


def write(document, path):
    document.core_properties.author = "TessalCert"
    document.save(path)


def run(folder):
    for language, labels in LABELS.items():
        write(main_template(labels), os.path.join(folder, "TessalFormCertMain_%s.docx" % language))
        write(next_template(labels), os.path.join(folder, "TessalFormCertNext_%s.docx" % language))
        write(search_template(labels), os.path.join(folder, "SearchTemplate_%s.docx" % language))


if __name__ == "__main__":
    run(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data"))
