// The money panel: its drop-down arrow, its clicks and its painting.
#include "Moneybar.h"
#include "Prompter.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A shown panel of 120 x 30 at a known place, with a one-item menu.
struct PanelWithMenu {
    PanelWithMenu()
    {
        menu.addAction(QStringLiteral("Первый"));
        panel.setCaption(QStringLiteral("Меню"));
        panel.setGeometry(100, 100, 120, 30);
        panel.setDropDownMenu(&menu);
        panel.show();
    }
    ~PanelWithMenu() { menu.hide(); }
    QMenu menu;
    TMoneyPanel panel;
};

QRgb PixelAt(const QImage &image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

} // namespace

TEST(TMoneyPanel, ArrowHotSpotOpensTheMenuAndNothingElse)
{
    using A = TMoneyPanel::TAlignment;
    const int m = 15; // half the height
    const struct {
        A alignment;
        int x, y; // relative to the hot spot's left edge x0
        bool opens;
    } cases[] = {
        {A::Left, 0, m - 5, true},   {A::Left, 10, m + 5, true},  {A::Left, 11, m, false},
        {A::Left, -1, m, false},     {A::Left, 5, m - 6, false},  {A::Left, 5, m + 6, false},
        {A::Right, 0, m, true},      {A::Right, 11, m, false},    {A::Center, 10, m, true},
        {A::Center, -1, m, false},
    };
    for (const auto &c : cases) {
        PanelWithMenu p;
        p.panel.setAlignment(c.alignment);
        const int caption = p.panel.fontMetrics().horizontalAdvance(p.panel.Caption());
        const int x0 = c.alignment == A::Left    ? 5
                       : c.alignment == A::Right ? 120 - caption - 15
                                                 : (120 - caption) / 2 - 5;
        SCOPED_TRACE(testing::Message() << "alignment " << int(c.alignment) << " at " << x0 + c.x << "," << c.y);
        QSignalSpy clicks(&p.panel, &TMoneyPanel::clicked);
        QTest::mouseClick(&p.panel, Qt::LeftButton, {}, QPoint(x0 + c.x, c.y));
        EXPECT_EQ(p.menu.isVisible(), c.opens);
        if (c.opens) {
            EXPECT_EQ(p.menu.pos(), p.panel.mapToGlobal(QPoint(0, 30)));
        }
        EXPECT_EQ(clicks.count(), 0);
    }
}

TEST(TMoneyPanel, WithoutMenuEveryClickFiresClicked)
{
    TMoneyPanel panel;
    panel.resize(120, 30);
    panel.show();
    QSignalSpy clicks(&panel, &TMoneyPanel::clicked);
    QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(5, 15));
    QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(100, 3));
    EXPECT_EQ(clicks.count(), 2);
}

TEST(TMoneyPanel, EmptyMenuIsRefusedAndNoMenuRemovesTheArrow)
{
    ScopedScriptedPrompter prompts;
    PanelWithMenu p;
    QMenu empty;
    p.panel.setDropDownMenu(&empty);
    EXPECT_EQ(prompts->texts(), QStringList{QStringLiteral("Cannot assign empty menu")});
    EXPECT_EQ(p.panel.DropDownMenu(), &p.menu);

    p.panel.setDropDownMenu(nullptr);
    EXPECT_EQ(p.panel.DropDownMenu(), nullptr);
    QSignalSpy clicks(&p.panel, &TMoneyPanel::clicked);
    QTest::mouseClick(&p.panel, Qt::LeftButton, {}, QPoint(5, 15));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(p.menu.isVisible());
}

TEST(TMoneyPanel, MenuDestroyedElsewhereIsForgotten)
{
    TMoneyPanel panel;
    auto *menu = new QMenu;
    menu->addAction(QStringLiteral("x"));
    panel.setDropDownMenu(menu);
    delete menu;
    EXPECT_EQ(panel.DropDownMenu(), nullptr);
}

TEST(TMoneyPanel, ShadowWithoutBorderLeavesDottedStripsAndNoFrame)
{
    TMoneyPanel panel;
    QPalette colours = panel.palette();
    colours.setColor(QPalette::Window, Qt::white);
    panel.setPalette(colours);
    panel.resize(40, 20);
    panel.setColor(Qt::red);
    panel.setShadow(true);
    const QImage image = panel.grab().toImage();
    const QRgb red = 0xFF0000, black = 0x000000, white = 0xFFFFFF;
    const struct {
        int x, y;
        QRgb colour;
    } pixels[] = {
        {0, 0, red},      {37, 17, red},     // the face reaches its corners: no frame
        {38, 4, black},   {39, 4, white},    // right strip, a row of pattern AA
        {38, 6, white},   {39, 6, black},    // a row of pattern 55
        {38, 5, white},   {39, 5, white},    // an empty row
        {2, 18, white},   {3, 18, black},    // bottom strip
        {39, 0, white},   {39, 1, white},    // the shadow starts 2 pixels down
        {0, 19, white},   {1, 18, white},    // and 2 pixels right
    };
    for (const auto &p : pixels)
        EXPECT_EQ(PixelAt(image, p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
}

TEST(TMoneyPanel, PlainPanelHasARaisedFrameOfBevelWidth)
{
    TMoneyPanel panel;
    panel.resize(40, 20);
    panel.setColor(Qt::red);
    panel.setBevelWidth(2);
    const QImage image = panel.grab().toImage();
    const QRgb light = panel.palette().color(QPalette::Light).rgb() & 0xFFFFFF;
    const QRgb dark = panel.palette().color(QPalette::Dark).rgb() & 0xFFFFFF;
    EXPECT_EQ(PixelAt(image, 0, 10), light);
    EXPECT_EQ(PixelAt(image, 1, 10), light);
    EXPECT_EQ(PixelAt(image, 20, 0), light);
    EXPECT_EQ(PixelAt(image, 39, 10), dark);
    EXPECT_EQ(PixelAt(image, 38, 10), dark);
    EXPECT_EQ(PixelAt(image, 20, 19), dark);
    EXPECT_EQ(PixelAt(image, 2, 2), 0xFF0000u);
}

TEST(TMoneyPanel, AlignmentAloneDoesNotRepaint)
{
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } counter;
    TMoneyPanel panel;
    panel.resize(120, 30);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QCoreApplication::processEvents();
    panel.installEventFilter(&counter);
    panel.setAlignment(TMoneyPanel::TAlignment::Right);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    panel.setColor(Qt::blue);
    EXPECT_GE(counter.paints, 1);
}
