#!/usr/bin/python3
"""Writes the Excel templates of the exports into data/ (run from the source
folder: /usr/bin/python3 tools/make-excel-templates.py). Needs python3-openpyxl."""
import os
from openpyxl import Workbook
from openpyxl.styles import Alignment, Border, Font, Side
from openpyxl.worksheet.properties import PageSetupProperties

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
THIN = Side(style="thin")
BOX = Border(left=THIN, right=THIN, top=THIN, bottom=THIN)
WRAP = Alignment(wrap_text=True, vertical="top")


def print_whole_width(ws, columns):
    """Prints the columns (whole, as the exports insert rows) scaled to the
    width of the page, as many pages down as the rows need."""
    ws.print_area = columns
    ws.sheet_properties.pageSetUpPr = PageSetupProperties(fitToPage=True)
    ws.page_setup.fitToWidth = 1
    ws.page_setup.fitToHeight = 0
    ws.page_setup.paperSize = ws.PAPERSIZE_A4


def boxed(ws, ref, size=9, bold=False):
    for row in ws[ref]:
        for cell in row:
            cell.border = BOX
            cell.alignment = WRAP
            cell.font = Font(name="Arial", size=size, bold=bold)


def list_template():
    wb = Workbook()
    ws = wb.active
    ws.title = "Список"
    widths = {"A": 14, "B": 10, "C": 11, "D": 30, "E": 30, "F": 14, "G": 36, "H": 24, "I": 16, "J": 14}
    for letter, width in widths.items():
        ws.column_dimensions[letter].width = width
    ws["A1"].font = Font(name="Arial", size=12, bold=True)
    ws["D3"] = "номер АРМа"
    ws["E3"].alignment = Alignment(horizontal="left")
    ws["H4"] = "Дата"
    ws["I4"].number_format = "DD.MM.YYYY"
    heads = ["№ документа", "№ бланка", "Дата выдачи", "Экспортёр", "Получатель",
             "Страна", "Товар", "Служебные отметки", "Эксперт", "Статус"]
    for column, text in enumerate(heads, start=1):
        ws.cell(row=6, column=column, value=text)
    boxed(ws, "A6:J6", bold=True)
    boxed(ws, "A7:J7")
    ws.page_setup.orientation = "landscape"
    print_whole_width(ws, "A:J")
    wb.save(os.path.join(DATA, "список сертификатов.xlsx"))


# The block's columns; the report sheet has the same, as a paste keeps the
# widths of the sheet it lands on. Together they fit the width of an A4 page.
BLOCK_WIDTHS = {"A": 5, "B": 27, "C": 12, "D": 12, "E": 12}


def page(ws):
    ws.page_setup.paperSize = ws.PAPERSIZE_A4
    ws.page_margins.left = ws.page_margins.right = 0.4
    ws.page_margins.top = ws.page_margins.bottom = 0.1
    ws.page_margins.header = ws.page_margins.footer = 0


def block(ws, title):
    for letter, width in BLOCK_WIDTHS.items():
        ws.column_dimensions[letter].width = width
    page(ws)
    # Less than a page: the export gives block row 26 what the page spares.
    for row in range(1, 42):
        ws.row_dimensions[row].height = 18
    ws.row_dimensions[25].height = 15
    ws.row_dimensions[26].height = 15
    ws["A1"] = title
    ws["C1"] = "№"
    merges = ["A2:B3", "C2:D2", "A4:B5", "A6:B7", "C6:E7", "A8:B11", "C8:E11",
              "A33:B37", "A38:B38", "A39:B39", "C33:E35", "C36:E37", "C38:E38", "C39:E39"]
    merges += ["B%d:C%d" % (row, row) for row in range(12, 33)]
    for ref in merges:
        ws.merge_cells(ref)
    boxed(ws, "A2:E11")
    boxed(ws, "A12:E32")
    boxed(ws, "A33:E39")
    for ref in ("D1", "E2"):
        ws[ref].font = Font(name="Arial", size=10, bold=True)


def certificates_template():
    wb = Workbook()
    report = wb.active
    report.title = "Отчёт"
    for letter, width in BLOCK_WIDTHS.items():
        report.column_dimensions[letter].width = width
    page(report)
    print_whole_width(report, "A:E")
    block(wb.create_sheet("en"), "CERTIFICATE OF ORIGIN")
    block(wb.create_sheet("ru"), "СЕРТИФИКАТ О ПРОИСХОЖДЕНИИ ТОВАРА")
    wb.save(os.path.join(DATA, "Tessal; сертификат.xlsx"))


def statistics_template():
    wb = Workbook()
    ws = wb.active
    ws.title = "Статистика"
    for letter in "ABCDEFGHIJ":
        ws.column_dimensions[letter].width = 11
    ws.merge_cells("A1:J1")
    ws["A1"].font = Font(name="Arial", size=10)
    ws["A2"] = "Статистика выдачи сертификатов за период с"
    ws["F2"] = "по"
    ws["G4"] = "Дата"
    ws["A7"] = "Выдано сертификатов"
    ws["G7"].alignment = Alignment(horizontal="right")
    ws.merge_cells("A8:F8")
    ws.merge_cells("G8:J8")
    boxed(ws, "A8:J8")
    print_whole_width(ws, "A:J")
    wb.save(os.path.join(DATA, "Статистика.xlsx"))


if __name__ == "__main__":
    list_template()
    certificates_template()
    statistics_template()
