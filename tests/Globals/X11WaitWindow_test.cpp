// The real wait window on an X server of its own (Xvfb): it appears after
// the show delay, centred, fades in through the opacity property, and its
// pixels show the bar filled as far as Position says.
#include "WaitWindowPainter.h"
#include "WindowThread.h"
#include "X11WaitPresenter.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The viewable top-level windows.
std::vector<xcb_window_t> ViewableWindows(xcb_connection_t *c, xcb_window_t root)
{
    std::vector<xcb_window_t> out;
    XcbReply tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    if (!tree)
        return out;
    const xcb_window_t *children = xcb_query_tree_children(tree.data);
    for (int i = 0; i < xcb_query_tree_children_length(tree.data); ++i) {
        XcbReply attributes(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            out.push_back(children[i]);
    }
    return out;
}

bool HasOpacityProperty(xcb_connection_t *c, xcb_window_t window)
{
    const char name[] = "_NET_WM_WINDOW_OPACITY";
    XcbReply atom(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr));
    XcbReply property(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom->atom, XCB_ATOM_CARDINAL, 0, 1), nullptr));
    return property && property->type == XCB_ATOM_CARDINAL;
}

// The screen's pixels (0xRRGGBB) on one row from x, Count wide.
std::vector<uint32_t> ScreenRow(xcb_connection_t *c, xcb_window_t root, int x, int y, int count)
{
    XcbReply image(xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(x), int16_t(y), uint16_t(count), 1, ~0u),
        nullptr));
    std::vector<uint32_t> row;
    if (!image || xcb_get_image_data_length(image.data) < count * 4)
        return row;
    const uint8_t *data = xcb_get_image_data(image.data);
    for (int i = 0; i < count; ++i) {
        uint32_t pixel;
        std::memcpy(&pixel, data + i * 4, 4);
        row.push_back(pixel & 0xFFFFFF);
    }
    return row;
}

// Polls Check for at most 5 s.
bool Eventually(const std::function<bool()> &check)
{
    const auto deadline = Clock::now() + 5s;
    while (!check()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

class RememberWindowId : public WaitWindowHooks {
public:
    std::atomic<uint32_t> id{0};
    void WindowCreated(uint32_t windowId) override { id = windowId; }
};

// Pixels of the bar's middle row, from its inner left edge, that show the highlight.
int FilledOnScreen(xcb_connection_t *c, xcb_window_t root, const TRectL &barOnScreen)
{
    const auto row = ScreenRow(c, root, barOnScreen.left + 1, (barOnScreen.top + barOnScreen.bottom) / 2,
                               barOnScreen.width() - 2);
    int n = 0;
    while (n < int(row.size()) && row[n] == (WaitColors::ButtonHighlight & 0xFFFFFF))
        ++n;
    if (n < int(row.size()) && row[n] != (WaitColors::ButtonFace & 0xFFFFFF))
        return -1; // the rest of the bar is not the background
    return n;
}

TEST(X11WaitWindow, AppearsAfterTheDelayCentredWithTheBarFilled)
{
    XvfbServer server;
    const QString problem = server.start();
    if (!problem.isEmpty())
        GTEST_SKIP() << "X11 wait window not tested: " << problem.toStdString();
    xcb_connection_t *c = server.connection();

    auto hooks = std::make_shared<RememberWindowId>();
    WaitWindowOptions options;
    options.presenter = MakeX11WaitPresenter(server.display());
    options.hooks = hooks;
    const auto made = Clock::now();
    TThreadWindow window("Загрузка данных", std::move(options));
    window.Position = 500;
    window.FadeTime = 200;
    EXPECT_TRUE(ViewableWindows(c, server.root()).empty()) << "shown before the delay";

    ASSERT_TRUE(Eventually([&] { return !ViewableWindows(c, server.root()).empty(); }));
    EXPECT_GE(Clock::now() - made, 500ms);
    ASSERT_EQ(ViewableWindows(c, server.root()), std::vector<xcb_window_t>{hooks->id.load()});

    // Where its bounds say, centred in the upper two thirds of 1024 x 768.
    const TRectL bounds = window.GetBounds();
    XcbReply geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, hooks->id), nullptr));
    ASSERT_TRUE(geometry);
    EXPECT_EQ((TRectL{geometry->x, geometry->y, geometry->x + geometry->width, geometry->y + geometry->height}), bounds);
    EXPECT_LE(std::abs(bounds.left + bounds.right - 1024), 1);
    EXPECT_LE(std::abs(bounds.top + bounds.bottom - 512), 1);
    XcbReply attributes(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, hooks->id), nullptr));
    EXPECT_TRUE(attributes->override_redirect) << "no decoration, never activated";

    // Fading in: translucent at first, then the opacity property goes away.
    EXPECT_TRUE(Eventually([&] { return !HasOpacityProperty(c, hooks->id); }));
    EXPECT_TRUE(Eventually([&] { return !window.FadeIn; }));

    // The bar on the screen.
    const TRectL bar = LayoutWaitWindow(bounds.movedToOrigin(), SystemIconSize, 500).bar;
    const TRectL barOnScreen = bar.translated(bounds.left, bounds.top);
    const int half = BarFillWidth(bar, 500);
    ASSERT_GT(half, 0);
    int filled = -1;
    EXPECT_TRUE(Eventually([&] { return (filled = FilledOnScreen(c, server.root(), barOnScreen)) == half; }))
        << "filled " << filled << " of " << bar.width() - 2 << ", expected " << half;
    window.Position = 1500;
    EXPECT_TRUE(Eventually([&] { return (filled = FilledOnScreen(c, server.root(), barOnScreen)) == bar.width() - 2; }))
        << "filled " << filled << " of " << bar.width() - 2;

    // Hidden when no longer active.
    window.SetActive(false);
    EXPECT_TRUE(Eventually([&] { return ViewableWindows(c, server.root()).empty(); }));
}

TEST(X11WaitWindow, NoDisplayShowsNothingAndStillWorks)
{
    WaitWindowOptions options;
    options.presenter = MakeX11WaitPresenter(":9876");
    TThreadWindow window("", std::move(options));
    window.ShowDelay = 0;
    window.Position = 250;
    EXPECT_TRUE(Eventually([&] { return !window.GetBounds().isEmpty(); })) << "sizes itself as if shown";
    window.SetText("Готово");
    EXPECT_EQ(window.GetText(), QByteArray("Готово"));
}

} // namespace
