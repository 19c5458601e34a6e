#pragma once
// The row of page tabs above the certificate list. A list of a million
// certificates has a thousand pages; a QTabBar lays every tab out again for
// each one added, which takes a third of a second for a thousand. These tabs
// are all as wide as the widest label and only those in view are painted, so
// their number costs nothing: setting a thousand is as quick as setting one.
#include <QWidget>

#include <functional>

class QToolButton;

class ListPageTabs : public QWidget
{
    Q_OBJECT
public:
    using LabelOf = std::function<QString(int index)>;

    // `labelOf` names the tab at an index; labels grow no narrower from the
    // first tab to the last, so the widest of those two sets every tab's width.
    explicit ListPageTabs(LabelOf labelOf, QWidget *parent = nullptr);

    // Keeps the current tab where it still exists, otherwise moves it to the
    // last tab (none when there are no tabs), telling currentChanged.
    void setCount(int count);
    int count() const { return m_count; }
    int currentIndex() const { return m_current; }
    // Out of range is ignored. Scrolls the tab into view.
    void setCurrentIndex(int index);
    QString tabText(int index) const;

    // The first tab in view, and where a tab is drawn now (empty when out of view).
    int firstVisibleIndex() const { return m_first; }
    QRect tabRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QSize tabSize() const;
    int tabsAreaWidth() const;
    int visibleCount() const;
    void scrollTo(int first);
    void ensureVisible(int index);
    void placeScrollButtons();

    LabelOf m_labelOf;
    int m_count = 0;
    int m_current = -1;
    int m_first = 0;
    mutable QSize m_tabSize; // measured on demand; reset when count or font change
    QToolButton *m_left = nullptr;
    QToolButton *m_right = nullptr;
};
