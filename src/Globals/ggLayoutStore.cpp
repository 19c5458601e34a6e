#include "ggLayoutStore.h"
#include "StrictDecimal.h"
#include <algorithm>
#include <QScreen>
#include <QGuiApplication>
#include "ggError.h"
#include "ggFiles.h"

#include <QDir>
#include <QHeaderView>
#include <QLayout>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QWidget>

#include <cstring>
#include <limits>

namespace {
const char *const kEmptyStore = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                "<ParamsOfForms>\n"
                                "</ParamsOfForms>\n";
const QString kLayoutFileName = QStringLiteral("StorageOrigin.xml");

// ---- the XML document ------------------------------------------------------

void startEmptyStore(pugi::xml_document &doc)
{
    doc.reset();
    doc.load_string(kEmptyStore, pugi::parse_default | pugi::parse_declaration);
}

// Loads the file, or starts an empty store when it is missing or not XML.
void loadStore(pugi::xml_document &doc, const QString &fileName)
{
    QByteArray data;
    try {
        data = FileToString(fileName);
    } catch (const AppError &) {
        startEmptyStore(doc);
        return;
    }
    const pugi::xml_parse_result result =
        doc.load_buffer(data.constData(), size_t(data.size()), pugi::parse_default | pugi::parse_declaration);
    if (!result || !doc.document_element()) {
        startEmptyStore(doc);
        return;
    }
    // The store is always written as UTF-8, whatever the file said before.
    const pugi::xml_node declaration = doc.first_child();
    if (declaration.type() == pugi::node_declaration && declaration.attribute("encoding"))
        declaration.attribute("encoding").set_value("UTF-8");
}

class ByteArrayWriter : public pugi::xml_writer {
public:
    void write(const void *data, size_t size) override
    {
        bytes.append(static_cast<const char *>(data), qsizetype(size));
    }
    QByteArray bytes;
};

QByteArray storeText(const pugi::xml_document &doc)
{
    ByteArrayWriter writer;
    doc.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
    return writer.bytes;
}

QString nameOf(const pugi::xml_node &element) { return QString::fromUtf8(element.attribute("Name").value()); }

// A whole attribute as a number; nothing when it is missing or not a decimal integer.
std::optional<int64_t> numberOf(const pugi::xml_node &element, const char *attribute)
{
    const pugi::xml_attribute value = element.attribute(attribute);
    if (!value)
        return std::nullopt;
    return ParseStrictDecimal(QByteArray(value.value()));
}

std::optional<int> intOf(const pugi::xml_node &element, const char *attribute)
{
    const std::optional<int64_t> value = numberOf(element, attribute);
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(*value);
}

void addNumber(pugi::xml_node &element, const char *attribute, int64_t value)
{
    element.append_attribute(attribute).set_value(QByteArray::number(qlonglong(value)).constData());
}

// ---- kinds of widgets --------------------------------------------------------

bool isToolBarKind(const QWidget *widget)
{
    return qobject_cast<const QToolBar *>(widget) || qobject_cast<const QToolButton *>(widget);
}

bool keepsBoundsOnly(const QWidget *widget) { return widget->property(kLayoutBoundsOnlyProperty).toBool(); }

QTableView *dataBoundGrid(QWidget *widget)
{
    auto *view = qobject_cast<QTableView *>(widget);
    if (!view || keepsBoundsOnly(widget) || !view->model() || view->model()->columnCount() == 0)
        return nullptr;
    return view->model()->headerData(0, Qt::Horizontal, FieldNameRole).isValid() ? view : nullptr;
}

// The column header of a grid or list that keeps column widths by position.
QHeaderView *columnHeader(QWidget *widget)
{
    if (keepsBoundsOnly(widget))
        return nullptr;
    if (auto *table = qobject_cast<QTableView *>(widget))
        return table->horizontalHeader();
    if (auto *tree = qobject_cast<QTreeView *>(widget))
        return tree->header();
    return nullptr;
}

QSplitter *splitterOf(QWidget *widget)
{
    return keepsBoundsOnly(widget) ? nullptr : qobject_cast<QSplitter *>(widget);
}

LayoutPanelGrid *panelGrid(QWidget *widget)
{
    return keepsBoundsOnly(widget) ? nullptr : dynamic_cast<LayoutPanelGrid *>(widget);
}

LayoutFieldColumns *fieldColumns(QWidget *widget)
{
    return keepsBoundsOnly(widget) ? nullptr : dynamic_cast<LayoutFieldColumns *>(widget);
}

QString fieldNameOf(const QTableView *view, int logicalColumn)
{
    return view->model()->headerData(logicalColumn, Qt::Horizontal, FieldNameRole).toString();
}

bool isKeptName(const QString &name) { return !name.isEmpty() && !name.startsWith(QLatin1String("qt_")); }

// The widgets that a widget holds, in child order: named child widgets; the
// children of unnamed and of Qt's inner widgets are looked through; windows of
// their own are left out.
void collectHeld(const QObject *holder, QList<QWidget *> &held)
{
    for (QObject *child : holder->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget || widget->isWindow())
            continue;
        if (isKeptName(widget->objectName()))
            held.append(widget);
        else
            collectHeld(widget, held);
    }
}

QList<QWidget *> heldWidgets(const QWidget *holder)
{
    QList<QWidget *> held;
    collectHeld(holder, held);
    return held;
}

QByteArray elementNameOf(const QWidget *widget)
{
    return QByteArray(widget->metaObject()->className()).replace("::", ".");
}

// ---- storing -------------------------------------------------------------------

void storeColumns(QWidget *widget, pugi::xml_node &element)
{
    if (const LayoutFieldColumns *grid = fieldColumns(widget)) {
        for (int position = 0; position < grid->layoutColumnCount(); ++position) {
            pugi::xml_node column = element.append_child("Col");
            addNumber(column, "Width", grid->layoutColumnWidth(position));
            column.append_attribute("FieldName").set_value(grid->layoutColumnField(position).toUtf8().constData());
            addNumber(column, "Index", position);
        }
    } else if (QTableView *grid = dataBoundGrid(widget)) {
        const QHeaderView *header = grid->horizontalHeader();
        for (int position = 0; position < header->count(); ++position) {
            const int logical = header->logicalIndex(position);
            pugi::xml_node column = element.append_child("Col");
            addNumber(column, "Width", header->sectionSize(logical));
            column.append_attribute("FieldName").set_value(fieldNameOf(grid, logical).toUtf8().constData());
            addNumber(column, "Index", position);
        }
    } else if (const QHeaderView *header = columnHeader(widget)) {
        for (int k = 0; k < header->count(); ++k) {
            pugi::xml_node column = element.append_child("Col");
            addNumber(column, "Width", header->sectionSize(k));
            addNumber(column, "Index", k);
        }
    } else if (const QSplitter *splitter = splitterOf(widget)) {
        const QList<int> sizes = splitter->sizes();
        for (int k = 0; k < sizes.size(); ++k) {
            pugi::xml_node column = element.append_child("Col");
            addNumber(column, "Width", sizes[k]);
            addNumber(column, "Index", k);
        }
    } else if (const LayoutPanelGrid *grid = panelGrid(widget)) {
        for (int k = 0; k < grid->panelColumnCount(); ++k) {
            pugi::xml_node column = element.append_child("Col");
            addNumber(column, "Width", grid->panelWidth());
            addNumber(column, "Index", k);
        }
        for (int k = 0; k < grid->panelRowCount(); ++k) {
            pugi::xml_node row = element.append_child("Row");
            addNumber(row, "Height", grid->panelHeight());
            addNumber(row, "Index", k);
        }
    }
}

// ---- applying --------------------------------------------------------------------

// A widget in a layout or a splitter is placed by its holder: bounds set from
// outside would only fight the holder.
bool placedByHolder(const QWidget *widget)
{
    const QWidget *holder = widget->isWindow() ? nullptr : widget->parentWidget();
    return holder && (holder->layout() || qobject_cast<const QSplitter *>(holder));
}

// A window whose stored corner lies off the screens (another monitor set-up,
// or positions that drifted) comes back where the operator can reach it.
void keepCornerOnScreen(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableVirtualGeometry();
    constexpr int reachable = 50; // enough of the title bar to grab
    const int x = std::clamp(window->x(), available.left(), std::max(available.left(), available.right() - reachable));
    const int y = std::clamp(window->y(), available.top(), std::max(available.top(), available.bottom() - reachable));
    if (x != window->x() || y != window->y())
        window->move(x, y);
}

void applyBounds(QWidget *widget, const pugi::xml_node &element)
{
    if (placedByHolder(widget))
        return;
    if (const std::optional<int> height = intOf(element, "Height"); height && *height != 0)
        widget->resize(widget->width(), *height);
    if (const std::optional<int> left = intOf(element, "Left"); left && *left != 0)
        widget->move(*left, widget->y());
    if (const std::optional<int> top = intOf(element, "Top"); top && *top != 0)
        widget->move(widget->x(), *top);
    if (const std::optional<int> width = intOf(element, "Width"); width && *width != 0)
        widget->resize(*width, widget->height());
    if (widget->isWindow())
        keepCornerOnScreen(widget);
}

void applyFieldColumn(LayoutFieldColumns &grid, int index, int width, const pugi::xml_node &column)
{
    if (column.attribute("FieldName")) {
        const QString fieldName = QString::fromUtf8(column.attribute("FieldName").value());
        for (int position = index; position < grid.layoutColumnCount(); ++position) {
            if (grid.layoutColumnField(position) == fieldName) {
                if (position != index)
                    grid.moveLayoutColumn(position, index);
                break;
            }
        }
    }
    if (grid.layoutColumnVisible(index) && width > 0)
        grid.setLayoutColumnWidth(index, width);
}

void applyDataBoundColumn(QTableView *grid, int index, int width, const pugi::xml_node &column)
{
    QHeaderView *header = grid->horizontalHeader();
    if (column.attribute("FieldName")) {
        const QString fieldName = QString::fromUtf8(column.attribute("FieldName").value());
        for (int position = index; position < header->count(); ++position) {
            if (fieldNameOf(grid, header->logicalIndex(position)) == fieldName) {
                if (position != index)
                    header->moveSection(position, index);
                break;
            }
        }
    }
    const int logical = header->logicalIndex(index);
    if (!header->isSectionHidden(logical) && width > 0)
        header->resizeSection(logical, width);
}

// Pane sizes of a splitter are gathered in paneSizes and set together: the
// splitter scales every partial set to its width, so one pane at a time would
// drift.
void applyColumn(QWidget *widget, const pugi::xml_node &column, QList<int> &paneSizes)
{
    const std::optional<int> width = intOf(column, "Width");
    const std::optional<int> index = intOf(column, "Index");
    if (!width || !index || *index < 0)
        return;
    if (LayoutFieldColumns *grid = fieldColumns(widget)) {
        if (*index < grid->layoutColumnCount())
            applyFieldColumn(*grid, *index, *width, column);
    } else if (QTableView *grid = dataBoundGrid(widget)) {
        if (*index < grid->horizontalHeader()->count())
            applyDataBoundColumn(grid, *index, *width, column);
    } else if (QHeaderView *header = columnHeader(widget)) {
        if (*index < header->count() && *width > 0)
            header->resizeSection(*index, *width);
    } else if (splitterOf(widget)) {
        if (*index < paneSizes.size() && *width >= 0)
            paneSizes[*index] = *width;
    } else if (LayoutPanelGrid *grid = panelGrid(widget)) {
        if (*width > 0)
            grid->setPanelWidth(*width);
    }
}

void applyRow(QWidget *widget, const pugi::xml_node &row)
{
    const std::optional<int> height = intOf(row, "Height");
    if (!height || !intOf(row, "Index"))
        return;
    if (LayoutPanelGrid *grid = panelGrid(widget); grid && *height > 0)
        grid->setPanelHeight(*height);
}
} // namespace

void ApplyFormLayout(QWidget *component, pugi::xml_node element)
{
    if (!component || !element || isToolBarKind(component))
        return;
    applyBounds(component, element);
    QSplitter *splitter = splitterOf(component);
    QList<int> paneSizes = splitter ? splitter->sizes() : QList<int>();
    const QList<int> designedPaneSizes = paneSizes;
    const QList<QWidget *> held = heldWidgets(component);
    for (const pugi::xml_node child : element.children()) {
        if (child.type() != pugi::node_element)
            continue;
        if (std::strcmp(child.name(), "Col") == 0) {
            applyColumn(component, child, paneSizes);
        } else if (std::strcmp(child.name(), "Row") == 0) {
            applyRow(component, child);
        } else {
            const QString name = nameOf(child);
            for (QWidget *widget : held) {
                if (widget->objectName() == name) {
                    ApplyFormLayout(widget, child);
                    break;
                }
            }
        }
    }
    if (splitter && paneSizes != designedPaneSizes)
        splitter->setSizes(paneSizes);
}

void StoreFormLayout(QWidget *component, pugi::xml_node parent)
{
    if (!component || !parent)
        return;
    // Every earlier element of this name goes: a stale copy left in front of
    // the new one would be the one that loading finds.
    const QString name = component->objectName();
    for (pugi::xml_node child = parent.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (child.type() == pugi::node_element && nameOf(child) == name)
            parent.remove_child(child);
        child = next;
    }
    if (isToolBarKind(component))
        return;
    pugi::xml_node element = parent.append_child(elementNameOf(component).constData());
    element.append_attribute("Name").set_value(name.toUtf8().constData());
    addNumber(element, "Height", component->height());
    addNumber(element, "Left", component->x());
    addNumber(element, "Top", component->y());
    addNumber(element, "Width", component->width());
    storeColumns(component, element);
    for (QWidget *widget : heldWidgets(component))
        StoreFormLayout(widget, element);
}

void LoadFormLayout(QWidget *form, const QString &fileName)
{
    if (!form || form->objectName().isEmpty())
        return;
    pugi::xml_document doc;
    loadStore(doc, fileName);
    for (const pugi::xml_node child : doc.document_element().children()) {
        if (child.type() == pugi::node_element && nameOf(child) == form->objectName()) {
            ApplyFormLayout(form, child);
            return;
        }
    }
}

void SaveFormLayout(QWidget *form, const QString &fileName)
{
    if (!form || form->objectName().isEmpty())
        return;
    pugi::xml_document doc;
    loadStore(doc, fileName);
    StoreFormLayout(form, doc.document_element());
    WriteFileAtomic(fileName, storeText(doc));
}

QString UserLayoutFile()
{
    const QString folder = QString::fromUtf8(GetSpecialFolder(CSIDL_APPDATA));
    return folder.isEmpty() ? QString() : JoinPath(folder, kLayoutFileName);
}

QString CommonLayoutFile()
{
    const QString folder = QString::fromUtf8(GetSpecialFolder(CSIDL_COMMON_APPDATA));
    return folder.isEmpty() ? QString() : JoinPath(folder, kLayoutFileName);
}

void RestoreLayout(QWidget *form)
{
    const QString userFile = UserLayoutFile();
    LoadFormLayout(form, FileExistsW(userFile) ? userFile : CommonLayoutFile());
}

void KeepLayout(QWidget *form)
{
    const QString userFile = UserLayoutFile();
    if (userFile.isEmpty())
        throw AppError(QStringLiteral("Не найдена папка настроек пользователя"));
    QDir().mkpath(ExtractDir(userFile));
    SaveFormLayout(form, userFile);
}
