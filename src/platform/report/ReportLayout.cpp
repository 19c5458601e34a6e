// Text measurement and the layout of bands into pages.
#include "ReportTextLayout.h"

#include "AppError.h"

#include <QTextOption>
#include <algorithm>

namespace ReportText {

QFont LayoutFont(const ReportFontSpec &spec, double sizePt)
{
    QFont font(spec.family);
    font.setPixelSize(std::max(1, qRound(sizePt * 10)));
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    // No ligatures: every letter stays one glyph, so text read back from a PDF
    // (or searched in it) is the text that was printed.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

double LayOut(QTextLayout &layout, const QString &text, const ReportFontSpec &font, double sizePt,
              ReportHAlign hAlign, bool wordWrap, double innerWidthMm)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    lines.replace(QLatin1Char('\r'), QChar::LineSeparator);
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator);

    QTextOption option;
    option.setWrapMode(wordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setAlignment(hAlign == ReportHAlign::Center  ? Qt::AlignHCenter
                        : hAlign == ReportHAlign::Right ? Qt::AlignRight
                                                        : Qt::AlignLeft);
    layout.setText(lines);
    layout.setFont(LayoutFont(font, sizePt));
    layout.setTextOption(option);

    const double width = std::max(0.0, innerWidthMm) * kLayoutUnitsPerMm;
    double y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return lines.isEmpty() ? 0.0 : y / kLayoutUnitsPerMm;
}

double RequiredHeightMm(const ReportObject &object, const QString &text, double sizePt)
{
    QTextLayout layout;
    const double inner = object.widthMm - 2 * object.paddingMm;
    return LayOut(layout, text, object.font, sizePt, object.hAlign, object.wordWrap, inner) + 2 * object.paddingMm;
}

} // namespace ReportText

bool Report::fitsAtSize(const ReportObject &object, double sizePt) const
{
    constexpr double kSlackMm = 0.01;
    return ReportText::RequiredHeightMm(object, object.text, sizePt) <= object.heightMm + kSlackMm;
}

void Report::setMarginOffsets(double leftMm, double topMm)
{
    m_offsetLeftMm = leftMm;
    m_offsetTopMm = topMm;
}

double Report::printableHeightMm() const
{
    return m_page.paperHeightMm - topMarginMm() - m_page.bottomMarginMm;
}

namespace {

// A band evaluated for one print: its height and its items, with tops
// relative to the band.
struct PlacedBand {
    double heightMm = 0;
    QVector<ReportPreparedItem> items;
};

const ReportBand *FirstBandOf(const std::vector<ReportBand> &bands, ReportBandKind kind)
{
    const auto found = std::find_if(bands.begin(), bands.end(), [kind](const ReportBand &b) { return b.kind == kind; });
    return found == bands.end() ? nullptr : &*found;
}

constexpr double kSlackMm = 0.01;

// The box an item's text is measured in.
ReportObject MeasuringBox(const ReportPreparedItem &item)
{
    ReportObject box;
    box.widthMm = item.rectMm.width();
    box.paddingMm = item.paddingMm;
    box.font = item.font;
    box.hAlign = item.hAlign;
    box.wordWrap = item.wordWrap;
    return box;
}

// Memos that reach down to the band's bottom keep reaching it when the band
// grows, so the frames of a table row stay one height.
void StretchToBandBottom(PlacedBand &placed, double designedHeightMm)
{
    if (placed.heightMm <= designedHeightMm)
        return;
    for (ReportPreparedItem &item : placed.items)
        if (item.rectMm.bottom() >= designedHeightMm - kSlackMm)
            item.rectMm.setBottom(placed.heightMm);
}

// Sizes a stretching band's items to their texts, as when it is first placed.
void StretchToTexts(PlacedBand &placed, double designedHeightMm)
{
    placed.heightMm = designedHeightMm;
    for (ReportPreparedItem &item : placed.items) {
        const double height = ReportText::RequiredHeightMm(MeasuringBox(item), item.text, item.font.sizePt);
        item.rectMm.setHeight(height);
        placed.heightMm = std::max(placed.heightMm, item.rectMm.top() + height);
    }
    StretchToBandBottom(placed, designedHeightMm);
}

// Splits an item's text after its last whole line that ends within HeightMm
// of the item's top. With ForceOneLine the first line goes into the head even
// when it does not fit, so that a split always moves on.
std::pair<QString, QString> SplitTextAtHeight(const ReportPreparedItem &item, double heightMm, bool forceOneLine)
{
    QTextLayout layout;
    ReportText::LayOut(layout, item.text, item.font, item.font.sizePt, item.hAlign, item.wordWrap,
                       item.rectMm.width() - 2 * item.paddingMm);
    const QString laid = layout.text();
    const double room = heightMm - 2 * item.paddingMm + kSlackMm;
    int cut = 0;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        if ((line.y() + line.height()) / ReportText::kLayoutUnitsPerMm > room && !(forceOneLine && i == 0))
            break;
        cut = line.textStart() + line.textLength();
    }
    QString head = laid.left(cut);
    if (head.endsWith(QChar::LineSeparator))
        head.chop(1);
    return {head, laid.mid(cut)};
}

// Splits a stretched band that is taller than the room left: the head fills
// the room with whole lines of each memo, the rest keeps what did not fit.
std::pair<PlacedBand, PlacedBand> SplitPlacedBand(const PlacedBand &placed, double roomMm, bool forceOneLine)
{
    PlacedBand head, rest;
    head.heightMm = roomMm;
    for (const ReportPreparedItem &item : placed.items) {
        const auto [headText, restText] =
            SplitTextAtHeight(item, roomMm - item.rectMm.top(), forceOneLine && !item.text.isEmpty());
        ReportPreparedItem top = item;
        top.text = headText;
        top.rectMm.setBottom(std::max(item.rectMm.top(), roomMm));
        if (!top.text.isEmpty() || top.frame.any())
            head.items << top;
        ReportPreparedItem below = item;
        below.text = restText;
        if (!below.text.isEmpty() || below.frame.any())
            rest.items << below;
    }
    return {head, rest};
}

bool HasText(const PlacedBand &placed)
{
    return std::any_of(placed.items.begin(), placed.items.end(),
                       [](const ReportPreparedItem &item) { return !item.text.isEmpty(); });
}

} // namespace

void Report::prepare(bool append)
{
    if (!m_loaded)
        throw AppError(QStringLiteral("No report template is loaded"));
    if (!append)
        m_pages.clear();

    const ReportBand *title = FirstBandOf(m_bands, ReportBandKind::ReportTitle);
    const ReportBand *header = FirstBandOf(m_bands, ReportBandKind::PageHeader);
    const ReportBand *footer = FirstBandOf(m_bands, ReportBandKind::PageFooter);
    const ReportBand *summary = FirstBandOf(m_bands, ReportBandKind::ReportSummary);

    const double left = leftMarginMm();
    const double top = topMarginMm();
    const double bottomLimit = m_page.paperHeightMm - m_page.bottomMarginMm;
    const QSizeF paper(m_page.paperWidthMm, m_page.paperHeightMm);

    auto placeBand = [&](const ReportBand &band) {
        if (!band.beforePrint.isEmpty())
            evaluate(band.beforePrint);
        PlacedBand placed;
        placed.heightMm = band.heightMm;
        for (const ReportObject &object : band.objects) {
            if (!object.visible)
                continue;
            const QString text = evaluate(object.text);
            if (text.isEmpty() && !object.frame.any())
                continue;
            double height = object.heightMm;
            if (band.stretch)
                height = std::max(height, ReportText::RequiredHeightMm(object, text, object.font.sizePt));
            ReportPreparedItem item;
            item.rectMm = QRectF(left + object.leftMm, object.topMm, object.widthMm, height);
            item.text = text;
            item.font = object.font;
            item.hAlign = object.hAlign;
            item.vAlign = object.vAlign;
            item.wordWrap = object.wordWrap;
            item.paddingMm = object.paddingMm;
            item.frame = object.frame;
            placed.items << item;
            if (band.stretch)
                placed.heightMm = std::max(placed.heightMm, object.topMm + height);
        }
        if (band.stretch)
            StretchToBandBottom(placed, band.heightMm);
        return placed;
    };

    ReportPreparedPage page;
    double y = 0;
    double contentTop = 0;
    int pageNumber = 0;

    auto put = [&](const PlacedBand &placed, double bandTop) {
        for (ReportPreparedItem item : placed.items) {
            item.rectMm.translate(0, bandTop);
            page.items << item;
        }
    };
    // Starts a page: the lead band (the report title, on the first page only),
    // then the page header.
    auto startPage = [&](const ReportBand *lead) {
        page = ReportPreparedPage();
        page.paperMm = paper;
        m_variables.insert(QStringLiteral("PAGE"), QString::number(++pageNumber));
        y = top;
        for (const ReportBand *band : {lead, header}) {
            if (!band)
                continue;
            const PlacedBand placed = placeBand(*band);
            put(placed, y);
            y += placed.heightMm;
        }
        contentTop = y;
    };
    auto finishPage = [&] {
        if (footer) {
            const PlacedBand placed = placeBand(*footer);
            put(placed, bottomLimit - footer->heightMm);
        }
        m_pages << page;
    };
    const double flowBottom = bottomLimit - (footer ? footer->heightMm : 0);
    // The room a continuation page offers below its page header.
    const double continuationRoom = flowBottom - top - (header ? header->heightMm : 0);
    auto nextPage = [&] {
        finishPage();
        startPage(nullptr);
    };
    // A stretching band taller than a whole page: as many whole lines as fit
    // go onto this page and the rest continues on the next ones, so nothing is
    // printed over the footer or lost at the paper's edge.
    auto flowInPieces = [&](const ReportBand &band, PlacedBand placed) {
        for (;;) {
            const bool freshPage = y <= contentTop + kSlackMm;
            auto [head, rest] = SplitPlacedBand(placed, flowBottom - y, freshPage);
            if (HasText(head)) {
                put(head, y);
                y += head.heightMm;
            }
            if (!HasText(rest))
                return;
            nextPage();
            StretchToTexts(rest, band.heightMm);
            if (rest.heightMm <= flowBottom - y + kSlackMm) {
                put(rest, y);
                y += rest.heightMm;
                return;
            }
            placed = rest;
        }
    };
    // Puts a band below the ones before it, on a new page when it does not fit.
    auto flow = [&](const ReportBand &band) {
        PlacedBand placed = placeBand(band);
        if (y + placed.heightMm <= flowBottom + kSlackMm) {
            put(placed, y);
            y += placed.heightMm;
            return;
        }
        if (band.stretch && placed.heightMm > continuationRoom + kSlackMm) {
            flowInPieces(band, placed);
            return;
        }
        if (y > contentTop + kSlackMm) {
            nextPage();
            placed = placeBand(band);
        }
        put(placed, y);
        y += placed.heightMm;
    };

    m_variables.clear();
    startPage(title);
    for (const ReportBand &band : m_bands) {
        if (band.kind != ReportBandKind::MasterData)
            continue;
        ReportDataSource *source = m_sources.value(band.dataSource);
        if (!source)
            continue;
        const int rows = source->rowCount();
        for (int row = 0; row < rows; ++row) {
            source->goToRow(row);
            m_variables.insert(QStringLiteral("LINE"), QString::number(row + 1));
            flow(band);
        }
        m_variables.remove(QStringLiteral("LINE"));
    }
    if (summary)
        flow(*summary);
    finishPage();
    m_variables.clear();
}
