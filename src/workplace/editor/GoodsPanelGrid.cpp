#include "GoodsPanelGrid.h"

#include "ClientDataSet.h"
#include "GoodsLines.h"
#include "LineBreaks.h"
#include "qlGrids/qlTntDBCtrls.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// Where each memo stands inside its panel, in the order of GoodsFields().
const QRect MemoPlaces[6] = {
    QRect(4, 4, 48, 112),   // d7
    QRect(56, 4, 300, 112), // d8
    QRect(360, 4, 60, 112), // d9c
    QRect(442, 4, 70, 112), // d9p: its copy mark 17 pixels to the left
    QRect(516, 4, 60, 112), // d10w
    QRect(598, 4, 63, 112), // d10q: its copy mark 17 pixels to the left
};
constexpr int PackageKind = 3;
constexpr int Unit = 5;

} // namespace

GoodsPanelGrid::GoodsPanelGrid(ClientDataSet &lines, const QPixmap &copyMark, QWidget *parent)
    : QScrollArea(parent), m_lines(lines), m_copyMark(copyMark), m_panels(new QWidget)
{
    setObjectName("dbcgData");
    m_panels->setObjectName("dbcgDataPanels");
    m_panels->installEventFilter(this);
    const QList<GoodsField> &fields = GoodsFields();
    for (int i = 0; i < 6; ++i) {
        auto *memo = new TqlTntDBMemo(m_panels);
        memo->setObjectName(fields[i].memo);
        memo->setToolTip(fields[i].hint);
        memo->setTypeBlob(TqlTntTypeBlob::edsWideString);
        memo->setDataSource(&m_lines);
        memo->setDataField(fields[i].field);
        memo->setGeometry(memoPlace(i));
        m_memos[size_t(i)] = memo;
    }
    setWidget(m_panels);
    setWidgetResizable(false);
    setFixedWidth(m_panelWidth + 2 * frameWidth() + 20);
    setFixedHeight(PanelHeight * PanelsInView + 2 * frameWidth());
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(&m_lines, &DataSet::dataSetChanged, this, &GoodsPanelGrid::followLines);
    connect(&m_lines, &DataSet::rowMoved, this, &GoodsPanelGrid::followLines);
    connect(&m_lines, &DataSet::afterScroll, this, &GoodsPanelGrid::followLines);
    connect(&m_lines, &DataSet::recordChanged, m_panels, qOverload<>(&QWidget::update));
    followLines();
}

TqlTntDBMemo *GoodsPanelGrid::memo(const QString &fieldName) const
{
    const QList<GoodsField> &fields = GoodsFields();
    for (int i = 0; i < 6; ++i)
        if (fields[i].field == fieldName)
            return m_memos[size_t(i)];
    return nullptr;
}

QRect GoodsPanelGrid::memoPlace(int memo) const
{
    const QRect &designed = MemoPlaces[memo];
    const int left = designed.left() * m_panelWidth / PanelWidth;
    const int right = (designed.right() + 1) * m_panelWidth / PanelWidth;
    return QRect(left, designed.top(), right - left, designed.height());
}

void GoodsPanelGrid::setPanelWidth(int width)
{
    width = std::max(width, int(PanelWidth));
    if (width == m_panelWidth)
        return;
    m_panelWidth = width;
    setFixedWidth(m_panelWidth + 2 * frameWidth() + 20);
    for (int i = 0; i < 6; ++i)
        m_memos[size_t(i)]->resize(memoPlace(i).size());
    followLines();
}

int GoodsPanelGrid::currentPanel() const
{
    return m_lines.isActive() ? m_lines.currentRow() : -1;
}

void GoodsPanelGrid::followLines()
{
    const int count = m_lines.isActive() ? m_lines.recordCount() : 0;
    m_panels->resize(m_panelWidth, PanelHeight * std::max(count, 1));
    const int current = std::max(currentPanel(), 0);
    for (int i = 0; i < 6; ++i)
        m_memos[size_t(i)]->move(memoPlace(i).topLeft() + QPoint(0, current * PanelHeight));
    for (TqlTntDBMemo *memo : m_memos)
        memo->setVisible(count > 0);
    ensureVisible(0, current * PanelHeight + PanelHeight / 2, 0, PanelHeight / 2);
    m_panels->update();
}

QString GoodsPanelGrid::copyMarkFieldAt(const QPoint &point) const
{
    const int current = currentPanel();
    if (current < 0)
        return {};
    const QRect kind = m_memos[PackageKind]->geometry();
    if (!(point.y() > kind.top() - 1 && point.y() < kind.top() + kind.height() - 2))
        return {};
    const int unitLeft = m_memos[Unit]->geometry().left();
    if (point.x() > unitLeft - 18 && point.x() < unitLeft)
        return GoodsFields()[Unit].field;
    if (point.x() > kind.left() - 18 && point.x() < kind.left())
        return GoodsFields()[PackageKind].field;
    return {};
}

void GoodsPanelGrid::paintPanels()
{
    QPainter painter(m_panels);
    const int count = m_lines.isActive() ? m_lines.recordCount() : 0;
    const int current = currentPanel();
    const QList<GoodsField> &fields = GoodsFields();
    for (int row = 0; row < count; ++row) {
        const QRect panel(0, row * PanelHeight, m_panelWidth, PanelHeight);
        painter.fillRect(panel, row == current ? palette().color(QPalette::AlternateBase)
                                               : palette().color(QPalette::Window));
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(panel.adjusted(0, 0, -1, -1));
        if (row == current) {
            for (int i : {PackageKind, Unit}) {
                const QRect place = m_memos[size_t(i)]->geometry();
                painter.drawPixmap(place.left() - 17, place.top() + 1, m_copyMark);
            }
            continue;
        }
        painter.setPen(palette().color(QPalette::Text));
        for (int i = 0; i < 6; ++i) {
            const QRect place = memoPlace(i).translated(0, row * PanelHeight);
            painter.fillRect(place, palette().color(QPalette::Base));
            const int column = m_lines.fieldByName(fields[i].field).index();
            painter.drawText(place.adjusted(3, 2, -3, -2), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                             StoredToWidgetText(m_lines.rowValue(row, column).toString()));
        }
    }
}

void GoodsPanelGrid::clickPanels(const QPoint &point)
{
    const int row = point.y() / PanelHeight;
    if (m_lines.isActive() && row != currentPanel() && row < m_lines.recordCount()) {
        FinishGoodsEditing(m_lines);
        m_lines.setRecNo(std::min(row, m_lines.recordCount() - 1) + 1);
    }
    emit panelsClicked(point);
}

bool GoodsPanelGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panels) {
        if (event->type() == QEvent::Paint) {
            paintPanels();
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton) {
                clickPanels(mouse->position().toPoint());
                return true;
            }
        }
    }
    return QScrollArea::eventFilter(watched, event);
}
