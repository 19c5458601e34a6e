// Painting prepared pages onto printers, PDF files and the screen.
#include "ReportTextLayout.h"

#include "AppError.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace {

QPageLayout PaperLayout(const QSizeF &paperMm)
{
    const bool landscape = paperMm.width() > paperMm.height();
    const QSizeF portrait = landscape ? paperMm.transposed() : paperMm;
    return QPageLayout(QPageSize(portrait, QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

void PaintFrame(QPainter &painter, const QRectF &rect, const ReportFrame &frame)
{
    QPen pen(Qt::black);
    pen.setWidthF(frame.widthMm * ReportText::kLayoutUnitsPerMm);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    if (frame.left)
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
    if (frame.top)
        painter.drawLine(rect.topLeft(), rect.topRight());
    if (frame.right)
        painter.drawLine(rect.topRight(), rect.bottomRight());
    if (frame.bottom)
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
}

void PaintItem(QPainter &painter, const ReportPreparedItem &item)
{
    constexpr double lu = ReportText::kLayoutUnitsPerMm;
    const QRectF rect(item.rectMm.left() * lu, item.rectMm.top() * lu, item.rectMm.width() * lu,
                      item.rectMm.height() * lu);
    if (item.frame.any())
        PaintFrame(painter, rect, item.frame);
    if (item.text.isEmpty())
        return;
    QTextLayout layout;
    const double innerWidth = item.rectMm.width() - 2 * item.paddingMm;
    const double innerHeight = item.rectMm.height() - 2 * item.paddingMm;
    const double textHeight =
        ReportText::LayOut(layout, item.text, item.font, item.font.sizePt, item.hAlign, item.wordWrap, innerWidth);
    double offset = 0;
    if (item.vAlign == ReportVAlign::Center)
        offset = (innerHeight - textHeight) / 2;
    else if (item.vAlign == ReportVAlign::Bottom)
        offset = innerHeight - textHeight;
    painter.setPen(Qt::black);
    layout.draw(&painter, QPointF((item.rectMm.left() + item.paddingMm) * lu,
                                  (item.rectMm.top() + item.paddingMm + offset) * lu));
}

void PaintPages(QPagedPaintDevice &device, const QVector<ReportPreparedPage> &pages, int copies, int resolution,
                const QString &what)
{
    if (pages.isEmpty())
        throw AppError(QStringLiteral("В отчёте нет подготовленных страниц для вывода на %1").arg(what));
    device.setPageLayout(PaperLayout(pages.first().paperMm));
    QPainter painter;
    if (!painter.begin(&device))
        throw AppError(QStringLiteral("Отчёт не удалось отправить на %1").arg(what));
    bool first = true;
    for (int copy = 0; copy < std::max(1, copies); ++copy) {
        for (const ReportPreparedPage &page : pages) {
            if (!first) {
                device.setPageLayout(PaperLayout(page.paperMm));
                device.newPage();
            }
            first = false;
            PaintReportPage(painter, page, resolution / 25.4);
        }
    }
    if (!painter.end())
        throw AppError(QStringLiteral("Отчёт не удалось завершить на %1").arg(what));
}

} // namespace

void PaintReportPage(QPainter &painter, const ReportPreparedPage &page, double deviceUnitsPerMm)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(deviceUnitsPerMm / ReportText::kLayoutUnitsPerMm, deviceUnitsPerMm / ReportText::kLayoutUnitsPerMm);
    for (const ReportPreparedItem &item : page.items)
        PaintItem(painter, item);
    painter.restore();
}

void Report::exportPdf(const QString &fileName) const
{
    QPdfWriter writer(fileName);
    writer.setResolution(1200);
    writer.setTitle(m_jobName);
    PaintPages(writer, m_pages, 1, writer.resolution(), fileName);
}

void Report::printTo(QPrinter &printer, int copies) const
{
    printer.setFullPage(true);
    printer.setDocName(m_jobName);
    PaintPages(printer, m_pages, copies, printer.resolution(),
               printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName());
}
