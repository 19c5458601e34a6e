// The preview: prepared pages drawn one below the other on a grey ground.
#include "ReportEngine.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kGapPx = 10;

class PreviewCanvas : public QWidget {
public:
    explicit PreviewCanvas(QWidget *parent) : QWidget(parent) {}

    void display(const QVector<ReportPreparedPage> *pages, double zoom)
    {
        m_pages = pages;
        m_zoom = zoom;
        int width = 0, height = kGapPx;
        for (const ReportPreparedPage &page : *m_pages) {
            width = std::max(width, pixels(page.paperMm.width()));
            height += pixels(page.paperMm.height()) + kGapPx;
        }
        resize(width + 2 * kGapPx, height);
        update();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), QColor(128, 128, 128));
        if (!m_pages)
            return;
        int top = kGapPx;
        for (const ReportPreparedPage &page : *m_pages) {
            const QRect paper(kGapPx, top, pixels(page.paperMm.width()), pixels(page.paperMm.height()));
            if (paper.intersects(event->rect())) {
                painter.fillRect(paper, Qt::white);
                painter.save();
                painter.translate(paper.topLeft());
                PaintReportPage(painter, page, kReportPixelsPerMm * m_zoom);
                painter.restore();
            }
            top += paper.height() + kGapPx;
        }
    }

private:
    int pixels(double mm) const { return qRound(mm * kReportPixelsPerMm * m_zoom); }

    const QVector<ReportPreparedPage> *m_pages = nullptr;
    double m_zoom = 1.0;
};

} // namespace

ReportPreview::ReportPreview(QWidget *parent) : QScrollArea(parent)
{
    setWidget(new PreviewCanvas(this));
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    relayout();
}

void ReportPreview::setPages(const QVector<ReportPreparedPage> &pages)
{
    m_pages = pages;
    relayout();
}

int ReportPreview::pageCount() const { return m_pages.size(); }

void ReportPreview::setZoom(double zoom)
{
    if (zoom > 0)
        m_zoom = zoom;
    m_mode = ZoomMode::Plain;
    relayout();
}

void ReportPreview::setZoomMode(ZoomMode mode)
{
    m_mode = mode;
    relayout();
}

double ReportPreview::zoom() const
{
    if (m_mode == ZoomMode::Plain || m_pages.isEmpty())
        return m_zoom;
    double widest = 0, tallest = 0;
    for (const ReportPreparedPage &page : m_pages) {
        widest = std::max(widest, page.paperMm.width() * kReportPixelsPerMm);
        tallest = std::max(tallest, page.paperMm.height() * kReportPixelsPerMm);
    }
    if (widest <= 0 || tallest <= 0)
        return m_zoom;
    const QSize room = viewport()->size() - QSize(2 * kGapPx, 2 * kGapPx);
    const double byWidth = std::max(1, room.width()) / widest;
    if (m_mode == ZoomMode::PageWidth)
        return byWidth;
    return std::min(byWidth, std::max(1, room.height()) / tallest);
}

void ReportPreview::zoomIn()
{
    const double current = zoom();
    setZoom(current < 4 ? current * 1.25 : current);
}

void ReportPreview::zoomOut()
{
    const double current = zoom();
    setZoom(current > 0.25 ? current * 0.8 : current);
}

void ReportPreview::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    if (m_mode != ZoomMode::Plain)
        relayout();
}

void ReportPreview::relayout()
{
    static_cast<PreviewCanvas *>(widget())->display(&m_pages, zoom());
}
