#include "ListPageTabs.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStyleOptionTabBarBase>
#include <QTabBar>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>

namespace {

QToolButton *ScrollButton(QWidget *parent, Qt::ArrowType arrow, const char *name)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->hide();
    return button;
}

} // namespace

ListPageTabs::ListPageTabs(LabelOf labelOf, QWidget *parent)
    : QWidget(parent)
    , m_labelOf(std::move(labelOf))
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_left = ScrollButton(this, Qt::LeftArrow, "ScrollLeft");
    m_right = ScrollButton(this, Qt::RightArrow, "ScrollRight");
    connect(m_left, &QToolButton::clicked, this, [this] { scrollTo(m_first - 1); });
    connect(m_right, &QToolButton::clicked, this, [this] { scrollTo(m_first + 1); });
}

void ListPageTabs::setCount(int count)
{
    count = std::max(0, count);
    if (count == m_count)
        return;
    m_count = count;
    m_tabSize = QSize();
    updateGeometry();
    const int current = m_count == 0 ? -1 : (m_current >= 0 && m_current < m_count ? m_current : m_count - 1);
    placeScrollButtons();
    if (current != m_current) {
        m_current = current;
        ensureVisible(m_current);
        emit currentChanged(m_current);
    } else {
        scrollTo(m_first);
    }
    update();
}

void ListPageTabs::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_count || index == m_current)
        return;
    m_current = index;
    ensureVisible(index);
    update();
    emit currentChanged(index);
}

QString ListPageTabs::tabText(int index) const
{
    return index >= 0 && index < m_count ? m_labelOf(index) : QString();
}

QSize ListPageTabs::tabSize() const
{
    if (m_tabSize.isValid())
        return m_tabSize;
    const QFontMetrics metrics = fontMetrics();
    int textWidth = metrics.horizontalAdvance(m_labelOf(0));
    if (m_count > 1)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(m_labelOf(m_count - 1)));
    QStyleOptionTab option;
    option.initFrom(this);
    option.shape = QTabBar::RoundedNorth;
    const QSize contents(textWidth + style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this),
                         metrics.height() + style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this));
    m_tabSize = style()->sizeFromContents(QStyle::CT_TabBarTab, &option, contents, this);
    return m_tabSize;
}

QSize ListPageTabs::sizeHint() const
{
    const QSize tab = tabSize();
    return {tab.width() * std::max(1, m_count), tab.height()};
}

QSize ListPageTabs::minimumSizeHint() const
{
    const QSize tab = tabSize();
    return {tab.width() + 2 * tab.height(), tab.height()};
}

int ListPageTabs::tabsAreaWidth() const
{
    return m_left->isHidden() ? width() : std::max(0, m_left->x());
}

int ListPageTabs::visibleCount() const
{
    return std::max(1, tabsAreaWidth() / std::max(1, tabSize().width()));
}

QRect ListPageTabs::tabRect(int index) const
{
    if (index < m_first || index >= m_count)
        return {};
    const QSize tab = tabSize();
    const QRect rect((index - m_first) * tab.width(), 0, tab.width(), tab.height());
    return rect.left() < tabsAreaWidth() ? rect : QRect();
}

void ListPageTabs::scrollTo(int first)
{
    first = std::clamp(first, 0, std::max(0, m_count - visibleCount()));
    m_left->setEnabled(first > 0);
    m_right->setEnabled(first + visibleCount() < m_count);
    if (first == m_first)
        return;
    m_first = first;
    update();
}

void ListPageTabs::ensureVisible(int index)
{
    if (index < 0)
        return;
    if (index < m_first)
        scrollTo(index);
    else if (index >= m_first + visibleCount())
        scrollTo(index - visibleCount() + 1);
    else
        scrollTo(m_first);
}

void ListPageTabs::placeScrollButtons()
{
    const QSize tab = tabSize();
    const bool overflow = qint64(m_count) * tab.width() > width();
    const int side = tab.height();
    m_left->setGeometry(width() - 2 * side, 0, side, side);
    m_right->setGeometry(width() - side, 0, side, side);
    m_left->setVisible(overflow);
    m_right->setVisible(overflow);
}

void ListPageTabs::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QSize tab = tabSize();
    QStyleOptionTabBarBase base;
    base.initFrom(this);
    base.shape = QTabBar::RoundedNorth;
    base.rect = QRect(0, tab.height() - 1, width(), 1);
    base.tabBarRect = QRect(0, 0, tabsAreaWidth(), tab.height());
    if (m_current >= 0)
        base.selectedTabRect = tabRect(m_current);
    style()->drawPrimitive(QStyle::PE_FrameTabBarBase, &base, &painter, this);

    const int last = std::min(m_count, m_first + visibleCount() + 1);
    painter.setClipRect(0, 0, tabsAreaWidth(), height());
    for (int i = m_first; i < last; ++i) {
        QStyleOptionTab option;
        option.initFrom(this);
        option.shape = QTabBar::RoundedNorth;
        option.rect = QRect((i - m_first) * tab.width(), 0, tab.width(), tab.height());
        option.text = m_labelOf(i);
        option.position = m_count == 1  ? QStyleOptionTab::OnlyOneTab
                          : i == 0      ? QStyleOptionTab::Beginning
                          : i == m_count - 1 ? QStyleOptionTab::End
                                        : QStyleOptionTab::Middle;
        option.selectedPosition = i + 1 == m_current ? QStyleOptionTab::NextIsSelected
                                  : i - 1 == m_current ? QStyleOptionTab::PreviousIsSelected
                                                       : QStyleOptionTab::NotAdjacent;
        if (i == m_current)
            option.state |= QStyle::State_Selected;
        if (i == m_current && hasFocus())
            option.state |= QStyle::State_HasFocus;
        else
            option.state &= ~QStyle::State_HasFocus;
        style()->drawControl(QStyle::CE_TabBarTab, &option, &painter, this);
    }
}

void ListPageTabs::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_count == 0)
        return QWidget::mousePressEvent(event);
    const int x = event->position().toPoint().x();
    if (x >= tabsAreaWidth())
        return;
    const int index = m_first + x / tabSize().width();
    if (index < m_count)
        setCurrentIndex(index);
}

void ListPageTabs::wheelEvent(QWheelEvent *event)
{
    // The wheel looks along the tabs; it opens no page.
    const int steps = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (steps == 0)
        return QWidget::wheelEvent(event);
    scrollTo(m_first + (steps > 0 ? -1 : 1));
    event->accept();
}

void ListPageTabs::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        setCurrentIndex(m_current - 1);
        break;
    case Qt::Key_Right:
        setCurrentIndex(m_current + 1);
        break;
    case Qt::Key_Home:
        setCurrentIndex(0);
        break;
    case Qt::Key_End:
        setCurrentIndex(m_count - 1);
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
}

void ListPageTabs::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeScrollButtons();
    ensureVisible(m_current);
}

void ListPageTabs::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_tabSize = QSize();
        updateGeometry();
        placeScrollButtons();
    }
    QWidget::changeEvent(event);
}
