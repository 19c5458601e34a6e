// Reading report templates from their XML form.
#include "ReportEngine.h"

#include "AppError.h"
#include "SystemErrorTexts.h"

#include <QFile>
#include <QSet>
#include <pugixml.hpp>

namespace {

class TemplateReader {
public:
    explicit TemplateReader(const QString &source) : m_source(source) {}

    [[noreturn]] void fail(const QString &what) const
    {
        throw AppError(QStringLiteral("Report template %1: %2").arg(m_source, what));
    }

    QString text(const pugi::xml_node &node, const char *name, const QString &fallback = QString()) const
    {
        const pugi::xml_attribute attr = node.attribute(name);
        return attr ? QString::fromUtf8(attr.value()) : fallback;
    }

    double number(const pugi::xml_node &node, const char *name, double fallback, bool mayBeNegative = false) const
    {
        const pugi::xml_attribute attr = node.attribute(name);
        if (!attr)
            return fallback;
        bool ok = false;
        const double value = QString::fromUtf8(attr.value()).trimmed().toDouble(&ok);
        if (!ok || (!mayBeNegative && value < 0))
            fail(QStringLiteral("attribute %1 of <%2> is not a valid number: \"%3\"")
                     .arg(QString::fromUtf8(name), QString::fromUtf8(node.name()), QString::fromUtf8(attr.value())));
        return value;
    }

    bool flag(const pugi::xml_node &node, const char *name, bool fallback) const
    {
        const QString value = text(node, name);
        if (value.isEmpty())
            return fallback;
        if (value == QLatin1String("true"))
            return true;
        if (value == QLatin1String("false"))
            return false;
        fail(QStringLiteral("attribute %1 must be true or false, not \"%2\"").arg(QString::fromUtf8(name), value));
    }

    ReportFrame frame(const pugi::xml_node &node) const
    {
        ReportFrame result;
        const QString sides = text(node, "frame").trimmed();
        if (sides == QLatin1String("all")) {
            result.left = result.top = result.right = result.bottom = true;
        } else if (!sides.isEmpty() && sides != QLatin1String("none")) {
            for (const QString &side : sides.split(QLatin1Char(','))) {
                const QString s = side.trimmed();
                if (s == QLatin1String("left"))
                    result.left = true;
                else if (s == QLatin1String("top"))
                    result.top = true;
                else if (s == QLatin1String("right"))
                    result.right = true;
                else if (s == QLatin1String("bottom"))
                    result.bottom = true;
                else
                    fail(QStringLiteral("unknown frame side \"%1\"").arg(s));
            }
        }
        result.widthMm = number(node, "frameWidth", result.widthMm);
        return result;
    }

    ReportObject memo(const pugi::xml_node &node) const
    {
        ReportObject object;
        object.name = text(node, "name");
        object.leftMm = number(node, "left", 0, true);
        object.topMm = number(node, "top", 0, true);
        object.widthMm = number(node, "width", 0);
        object.heightMm = number(node, "height", 0);
        object.font.family = text(node, "font", object.font.family);
        object.font.sizePt = number(node, "fontSize", object.font.sizePt);
        object.font.bold = flag(node, "bold", false);
        object.font.italic = flag(node, "italic", false);
        const QString align = text(node, "align", QStringLiteral("left"));
        if (align == QLatin1String("left"))
            object.hAlign = ReportHAlign::Left;
        else if (align == QLatin1String("center"))
            object.hAlign = ReportHAlign::Center;
        else if (align == QLatin1String("right"))
            object.hAlign = ReportHAlign::Right;
        else
            fail(QStringLiteral("unknown align \"%1\" of %2").arg(align, object.name));
        const QString valign = text(node, "valign", QStringLiteral("top"));
        if (valign == QLatin1String("top"))
            object.vAlign = ReportVAlign::Top;
        else if (valign == QLatin1String("center"))
            object.vAlign = ReportVAlign::Center;
        else if (valign == QLatin1String("bottom"))
            object.vAlign = ReportVAlign::Bottom;
        else
            fail(QStringLiteral("unknown valign \"%1\" of %2").arg(valign, object.name));
        object.wordWrap = flag(node, "wordWrap", true);
        object.visible = flag(node, "visible", true);
        object.paddingMm = number(node, "padding", object.paddingMm);
        object.frame = frame(node);
        object.text = QString::fromUtf8(node.child_value());
        return object;
    }

    ReportBandKind kind(const QString &name) const
    {
        static const QHash<QString, ReportBandKind> kinds = {
            {QStringLiteral("reportTitle"), ReportBandKind::ReportTitle},
            {QStringLiteral("pageHeader"), ReportBandKind::PageHeader},
            {QStringLiteral("masterData"), ReportBandKind::MasterData},
            {QStringLiteral("pageFooter"), ReportBandKind::PageFooter},
            {QStringLiteral("reportSummary"), ReportBandKind::ReportSummary},
        };
        const auto found = kinds.constFind(name);
        if (found == kinds.constEnd())
            fail(QStringLiteral("unknown band kind \"%1\"").arg(name));
        return *found;
    }

private:
    QString m_source;
};

} // namespace

void Report::loadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Report template %1 cannot be read: %2").arg(fileName, RussianSystemText(file.errorString())));
    loadFromData(file.readAll(), fileName);
}

void Report::loadFromData(const QByteArray &xml, const QString &sourceName)
{
    const TemplateReader reader(sourceName.isEmpty() ? QStringLiteral("(memory)") : sourceName);
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(xml.constData(), size_t(xml.size()),
                                                               pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        reader.fail(QStringLiteral("not well-formed XML (%1 at offset %2)")
                        .arg(QString::fromUtf8(parsed.description()))
                        .arg(qint64(parsed.offset)));
    const pugi::xml_node root = document.child("report");
    if (!root)
        reader.fail(QStringLiteral("the root element is not <report>"));
    const pugi::xml_node pageNode = root.child("page");
    if (!pageNode)
        reader.fail(QStringLiteral("no <page> element"));

    ReportPageSetup page;
    page.name = reader.text(pageNode, "name");
    page.paperWidthMm = reader.number(pageNode, "paperWidth", page.paperWidthMm);
    page.paperHeightMm = reader.number(pageNode, "paperHeight", page.paperHeightMm);
    page.leftMarginMm = reader.number(pageNode, "leftMargin", 0);
    page.topMarginMm = reader.number(pageNode, "topMargin", 0);
    page.rightMarginMm = reader.number(pageNode, "rightMargin", 0);
    page.bottomMarginMm = reader.number(pageNode, "bottomMargin", 0);
    if (page.paperWidthMm <= 0 || page.paperHeightMm <= 0)
        reader.fail(QStringLiteral("the paper has no size"));

    QSet<QString> names;
    auto claim = [&](const QString &name) {
        if (name.isEmpty())
            return;
        if (names.contains(name))
            reader.fail(QStringLiteral("the name %1 is used twice").arg(name));
        names.insert(name);
    };
    claim(page.name);

    std::vector<ReportBand> bands;
    for (const pugi::xml_node &bandNode : pageNode.children()) {
        if (bandNode.type() != pugi::node_element)
            continue;
        if (std::string_view(bandNode.name()) != "band")
            reader.fail(QStringLiteral("unexpected element <%1> in <page>").arg(QString::fromUtf8(bandNode.name())));
        ReportBand band;
        band.name = reader.text(bandNode, "name");
        band.kind = reader.kind(reader.text(bandNode, "kind"));
        band.heightMm = reader.number(bandNode, "height", 0);
        band.dataSource = reader.text(bandNode, "dataSource");
        band.stretch = reader.flag(bandNode, "stretch", false);
        band.beforePrint = reader.text(bandNode, "beforePrint");
        claim(band.name);
        for (const pugi::xml_node &memoNode : bandNode.children()) {
            if (memoNode.type() != pugi::node_element)
                continue;
            if (std::string_view(memoNode.name()) != "memo")
                reader.fail(QStringLiteral("unexpected element <%1> in band %2")
                                .arg(QString::fromUtf8(memoNode.name()), band.name));
            band.objects.push_back(reader.memo(memoNode));
            claim(band.objects.back().name);
        }
        bands.push_back(std::move(band));
    }

    m_page = page;
    m_bands = std::move(bands);
    m_loaded = true;
}

ReportObject *Report::findObject(const QString &name)
{
    for (ReportBand &band : m_bands)
        for (ReportObject &object : band.objects)
            if (object.name == name)
                return &object;
    return nullptr;
}

ReportBand *Report::findBand(const QString &name)
{
    for (ReportBand &band : m_bands)
        if (band.name == name)
            return &band;
    return nullptr;
}
