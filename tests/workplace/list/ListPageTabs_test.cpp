// The list's page tabs offscreen: the current tab through count changes,
// clicks, keys and the scroll buttons, with a thousand tabs in a narrow row.
#include "ListPageTabs.h"
#include "ListPages.h"

#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct ShownTabs {
    ListPageTabs tabs{ListTabLabel};
    QSignalSpy changes{&tabs, &ListPageTabs::currentChanged};

    explicit ShownTabs(int count)
    {
        tabs.resize(400, tabs.sizeHint().height());
        tabs.show();
        tabs.setCount(count);
        changes.clear();
    }
    QToolButton *button(const char *name) { return tabs.findChild<QToolButton *>(QLatin1String(name)); }
    QList<int> changed()
    {
        QList<int> indexes;
        for (const QList<QVariant> &signal : changes)
            indexes << signal.at(0).toInt();
        changes.clear();
        return indexes;
    }
};

TEST(ListPageTabs, AThousandTabsInANarrowRowShowTheCurrentOneAndScroll)
{
    ShownTabs shown(1000);
    ListPageTabs &tabs = shown.tabs;
    EXPECT_EQ(tabs.count(), 1000);
    EXPECT_EQ(tabs.currentIndex(), 999);
    EXPECT_EQ(tabs.tabText(999), QStringLiteral("1000000"));
    EXPECT_TRUE(tabs.tabRect(999).isValid()) << "the current tab is in view";
    EXPECT_TRUE(tabs.tabRect(999).right() < shown.button("ScrollLeft")->x());
    EXPECT_FALSE(tabs.tabRect(0).isValid());
    ASSERT_TRUE(shown.button("ScrollLeft")->isVisible());

    tabs.setCurrentIndex(0);
    EXPECT_EQ(shown.changed(), QList<int>{0});
    EXPECT_EQ(tabs.firstVisibleIndex(), 0);

    QTest::mouseClick(shown.button("ScrollRight"), Qt::LeftButton);
    EXPECT_EQ(tabs.firstVisibleIndex(), 1);
    EXPECT_EQ(tabs.currentIndex(), 0) << "scrolling opens no page";
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(3).center());
    EXPECT_EQ(shown.changed(), QList<int>{3});

    tabs.setFocus();
    QTest::keyClick(&tabs, Qt::Key_Right);
    QTest::keyClick(&tabs, Qt::Key_End);
    QTest::keyClick(&tabs, Qt::Key_Right); // past the last tab: nothing
    EXPECT_EQ(shown.changed(), (QList<int>{4, 999}));
    EXPECT_TRUE(tabs.tabRect(999).isValid());
}

TEST(ListPageTabs, ACountChangeKeepsTheCurrentTabWhereItStillExists)
{
    struct Case {
        const char *name;
        int current;
        int newCount;
        int expected;
        bool told;
    };
    const Case cases[] = {
        {"grows", 2, 10, 2, false},
        {"shrinks past it", 2, 2, 1, true},
        {"empties", 2, 0, -1, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ShownTabs shown(3);
        shown.tabs.setCurrentIndex(c.current);
        shown.changes.clear();
        shown.tabs.setCount(c.newCount);
        EXPECT_EQ(shown.tabs.currentIndex(), c.expected);
        EXPECT_EQ(shown.changed(), c.told ? QList<int>{c.expected} : QList<int>{});
        EXPECT_EQ(shown.tabs.tabText(c.newCount), QString()) << "no tab past the end";
    }
    ShownTabs fromEmpty(0);
    fromEmpty.tabs.setCount(5);
    EXPECT_EQ(fromEmpty.tabs.currentIndex(), 4) << "the newest page";
    EXPECT_FALSE(fromEmpty.button("ScrollLeft")->isVisible()) << "five tabs fit";
}

} // namespace
