#pragma once
// The editor's goods lines as a column of panels, one per line, four in view.
// The current line's panel holds the six data-aware memos; the other panels
// show copies of their texts. Left of the package-kind and unit memos the
// current panel carries a copy mark: a click there asks to copy that value
// into every line.
#include <QPixmap>
#include <QScrollArea>

#include <array>

class ClientDataSet;
class TqlTntDBMemo;

class GoodsPanelGrid : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int PanelWidth = 665;
    static constexpr int PanelHeight = 120;
    static constexpr int PanelsInView = 4;

    GoodsPanelGrid(ClientDataSet &lines, const QPixmap &copyMark, QWidget *parent = nullptr);

    // The memo of a goods field ("d7" ... "d10q").
    TqlTntDBMemo *memo(const QString &fieldName) const;
    const std::array<TqlTntDBMemo *, 6> &memos() const { return m_memos; }
    // The panels, in the grid's own coordinates (panel index × panel height down).
    QWidget *panels() const { return m_panels; }
    // The current line's index from 0; -1 without lines.
    int currentPanel() const;
    // Widens each panel (never below PanelWidth); the memos keep their places
    // in proportion, the copy marks stand next to theirs.
    void setPanelWidth(int width);
    int panelWidth() const { return m_panelWidth; }
    // The field whose copy mark lies under a point of the panels; empty for none.
    QString copyMarkFieldAt(const QPoint &point) const;

signals:
    // A click on the panels, in their coordinates, after the current line followed it.
    void panelsClicked(const QPoint &point);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followLines();
    QRect memoPlace(int memo) const;
    void paintPanels();
    void clickPanels(const QPoint &point);

    ClientDataSet &m_lines;
    QPixmap m_copyMark;
    QWidget *m_panels;
    std::array<TqlTntDBMemo *, 6> m_memos{};
    int m_panelWidth = PanelWidth;
};
