// The wait window's thread and state machine, driven through a presenter
// that records what the window would show.
#include "EventJournal.h"
#include "RecordingWaitPresenter.h"
#include "WaitWindowPainter.h"
#include "WindowThread.h"

#include <QFont>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Kind = PresenterRecord::Kind;
using namespace std::chrono_literals;

struct Harness {
    std::shared_ptr<RecordingLog> log = std::make_shared<RecordingLog>();
    std::unique_ptr<TThreadWindow> window;

    explicit Harness(const QByteArray &text = "Идёт работа", std::shared_ptr<WaitWindowHooks> hooks = {},
                     int lockTimeoutMs = 20000)
    {
        WaitWindowOptions options;
        options.presenter = std::make_unique<RecordingWaitPresenter>(log);
        options.hooks = std::move(hooks);
        options.lockTimeoutMs = lockTimeoutMs;
        window = std::make_unique<TThreadWindow>(text, std::move(options));
    }

    // Shows the window at once, at full opacity, with Position set first.
    void showNow(int16_t position)
    {
        window->Position = position;
        window->FadeIn = false;
        window->ShowDelay = 0;
        ASSERT_TRUE(log->waitForKind(Kind::Present)) << "the window was never painted";
    }

    // Index of the next record, then waits for a Present of Area after it.
    bool waitForPresentOf(const TRectL &area, size_t from)
    {
        return log->waitFor([&](const std::vector<PresenterRecord> &records) {
            for (size_t i = from; i < records.size(); ++i) {
                if (records[i].kind == Kind::Present && records[i].rect == area)
                    return true;
            }
            return false;
        });
    }
};

// Length of the run of highlighted pixels from the bar's inner left edge, on its middle row.
// Waits (at most 60 s, for a busy machine) until Flag is set.
bool WaitUntil(const std::atomic<bool> &flag)
{
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!flag && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    return flag;
}

int FilledPixels(const QImage &frame, const TRectL &bar)
{
    const int y = (bar.top + bar.bottom) / 2;
    int n = 0;
    while (bar.left + 1 + n < bar.right - 1 && frame.pixel(bar.left + 1 + n, y) == WaitColors::ButtonHighlight)
        ++n;
    return n;
}

TEST(WaitWindowModel, ClampPositionKeepsSixteenBitsElseFull)
{
    const struct { int in; int16_t out; } cases[] = {
        {40000, 32767}, {-40000, 32767}, {-5, -5}, {-1, -1}, {0, 0}, {1500, 1500}, {32767, 32767}, {-32768, -32768},
        {32768, 32767}, {-32769, 32767},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ClampPosition(c.in), c.out) << c.in;
}

TEST(WaitWindowModel, AutoSizeCentresInUpperTwoThirds)
{
    const struct {
        QSize screen;
        QSize text;
        int iconSize;
        int position;
        TRectL bounds;
    } cases[] = {
        {{1024, 768}, {300, 20}, 32, -1, {334, 232, 690, 280}},
        {{1024, 768}, {300, 20}, 32, 0, {334, 224, 690, 288}},   // a bar adds 16
        {{1024, 768}, {300, 40}, 32, -1, {334, 228, 690, 284}},  // text taller than the icon
        {{1024, 768}, {301, 40}, 0, 5, {353, 220, 670, 292}},    // no icon area; odd width
        {{1024, 768}, {100, 10}, -1, -1, {454, 243, 570, 269}},  // icon size not known yet
        {{1023, 767}, {300, 20}, 32, -1, {333, 231, 689, 279}},  // odd screen: H = 511
        {{200, 150}, {401, 20}, 0, -1, {-108, 32, 308, 68}},     // wider than the screen: truncates towards zero
    };
    for (const auto &c : cases) {
        EXPECT_EQ(AutoSizeBounds(c.screen, c.text, c.iconSize, c.position), c.bounds)
            << c.screen.width() << "x" << c.screen.height() << " text " << c.text.width() << "x" << c.text.height();
    }
    EXPECT_EQ(AutoSizeMeasureRect({1024, 768}), (TRectL{0, 0, 512, 1024}));
}

TEST(WaitWindowModel, LayoutPlacesIconBarAndText)
{
    const struct {
        TRectL client;
        int iconSize;
        int position;
        WaitLayout layout;
    } cases[] = {
        // The bar starts below the icon: full width.
        {{0, 0, 356, 64}, 32, 0, {{8, 8, 40, 40}, {8, 48, 348, 56}, {48, 8, 348, 47}}},
        // A low window: the bar moves right of the icon.
        {{0, 0, 300, 50}, 32, 0, {{8, 8, 40, 40}, {48, 34, 292, 42}, {48, 8, 292, 33}}},
        // No bar: the text takes the full height.
        {{0, 0, 356, 48}, 32, -1, {{8, 8, 40, 40}, {48, 40, 348, 40}, {48, 8, 348, 40}}},
        // No icon area.
        {{0, 0, 200, 60}, 0, 700, {{8, 8, 8, 8}, {8, 44, 192, 52}, {8, 8, 192, 43}}},
    };
    for (const auto &c : cases) {
        const WaitLayout layout = LayoutWaitWindow(c.client, c.iconSize, c.position);
        EXPECT_EQ(layout.icon, c.layout.icon);
        EXPECT_EQ(layout.bar, c.layout.bar);
        EXPECT_EQ(layout.text, c.layout.text);
    }
    EXPECT_TRUE(LayoutWaitWindow({0, 0, 356, 48}, 32, -1).bar.isEmpty());
}

TEST(WaitWindowModel, BarFillAndRepaintRules)
{
    const TRectL bar{8, 48, 348, 56}; // inner width 338
    const struct { int position; int pixels; } fills[] = {{0, 0}, {1, 0}, {2, 1}, {500, 169}, {1000, 338}, {1500, 338}};
    for (const auto &f : fills)
        EXPECT_EQ(BarFillWidth(bar, f.position), f.pixels) << f.position;

    const struct { int before, after, flags; } changes[] = {
        {-1, 0, WaitRepaint::Relayout}, {0, 500, WaitRepaint::Bar},  {500, 1500, WaitRepaint::Bar},
        {500, -1, WaitRepaint::Relayout}, {7, 7, 0},                   {-5, 0, WaitRepaint::Relayout},
        {-1, -5, 0},
    };
    for (const auto &c : changes)
        EXPECT_EQ(PositionChangeFlags(c.before, c.after), c.flags) << c.before << " -> " << c.after;
}

TEST(WaitWindow, FreedWithinShowDelayNeverCreatesAWindow)
{
    auto log = std::make_shared<RecordingLog>();
    const auto made = std::chrono::steady_clock::now();
    {
        WaitWindowOptions options;
        options.presenter = std::make_unique<RecordingWaitPresenter>(log);
        TThreadWindow window("", std::move(options));
        EXPECT_TRUE(window.GetActive());
        window.Position = 300;
        std::this_thread::sleep_for(100ms);
    }
    // Known to be within the delay only when freeing ended before it did,
    // which a busy machine may not give.
    if (std::chrono::steady_clock::now() - made < 500ms)
        EXPECT_TRUE(log->of(Kind::Create).empty());
}

TEST(WaitWindow, ShowsAfterTheDelayWithItsDefaultsAndFadesIn)
{
    const auto made = std::chrono::steady_clock::now();
    Harness h("");
    TThreadWindow &w = *h.window;
    w.FadeTime = 150;

    EXPECT_EQ(w.GetText(), DefaultWaitText());
    EXPECT_EQ(QString::fromUtf8(w.GetText()), QStringLiteral("Дождитесь окончания текущей операции!"));
    EXPECT_TRUE(w.GetActive());
    EXPECT_EQ(w.GetAlpha(), 255);
    EXPECT_EQ(w.GetIconSize(), SystemIconSize);
    EXPECT_FALSE(w.GetIcon().isNull());
    EXPECT_EQ(w.GetBackgroundColor().rgb(), WaitColors::ButtonFace);
    EXPECT_EQ(w.GetTextColor().rgb(), WaitColors::WindowText);
    EXPECT_EQ(w.Position, -1);
    EXPECT_TRUE(w.Movable);
    EXPECT_EQ(w.ShowDelay, 500);
    // No bounds before the window is made; that moment is known only when the
    // question came back within the delay, which a busy machine may not give.
    const TRectL early = w.GetBounds();
    if (std::chrono::steady_clock::now() - made < 500ms)
        EXPECT_TRUE(early.isEmpty());

    ASSERT_TRUE(h.log->waitForKind(Kind::Create));
    EXPECT_GE(std::chrono::steady_clock::now() - made, 500ms);

    // Sized for its text and icon, centred in the upper two thirds.
    const TRectL bounds = w.GetBounds();
    const QSize text = MeasureWaitText(QFont(), DefaultWaitText(), AutoSizeMeasureRect({1024, 768}));
    EXPECT_EQ(bounds, AutoSizeBounds({1024, 768}, text, SystemIconSize, -1));
    EXPECT_EQ(h.log->of(Kind::Create).front().rect, bounds);

    // Fades in from almost nothing to the full Alpha, then stops fading.
    ASSERT_TRUE(h.log->waitFor([](const std::vector<PresenterRecord> &records) {
        return std::any_of(records.begin(), records.end(),
                           [](const PresenterRecord &r) { return r.kind == Kind::Opacity && r.value == 255; });
    }));
    std::vector<int> opacity;
    for (const auto &r : h.log->of(Kind::Opacity))
        opacity.push_back(r.value);
    ASSERT_GE(opacity.size(), 2u);
    EXPECT_EQ(opacity.front(), 1);
    EXPECT_EQ(opacity.back(), 255);
    EXPECT_TRUE(std::is_sorted(opacity.begin(), opacity.end()));
    EXPECT_FALSE(w.FadeIn);

    // Hidden and shown again: where it was, at full alpha, no second fade.
    w.SetActive(false);
    ASSERT_TRUE(h.log->waitForKind(Kind::Destroy));
    const size_t mark = h.log->size();
    w.ShowDelay = 0;
    w.SetActive(true);
    ASSERT_TRUE(h.log->waitForKind(Kind::Create, mark));
    EXPECT_EQ(h.log->of(Kind::Create, mark).front().rect, bounds);
    ASSERT_TRUE(h.log->waitForKind(Kind::Opacity, mark));
    EXPECT_EQ(h.log->of(Kind::Opacity, mark).front().value, 255);
}

TEST(WaitWindow, PositionChangesRepaintTheBar)
{
    Harness h;
    h.showNow(0);
    TThreadWindow &w = *h.window;
    const TRectL bounds = w.GetBounds();
    const TRectL client = bounds.movedToOrigin();
    const TRectL bar = LayoutWaitWindow(client, SystemIconSize, 0).bar;
    ASSERT_FALSE(bar.isEmpty());
    EXPECT_EQ(FilledPixels(h.log->of(Kind::Present).back().frame, bar), 0);

    const struct { int16_t position; int pixels; } steps[] = {
        {500, BarFillWidth(bar, 500)},
        {1500, bar.width() - 2},
    };
    for (const auto &step : steps) {
        const size_t mark = h.log->size();
        w.Position = step.position;
        ASSERT_TRUE(h.waitForPresentOf(bar, mark)) << step.position;
        ASSERT_TRUE(h.log->waitForPasses(5));
        const auto presents = h.log->of(Kind::Present, mark);
        for (const auto &p : presents)
            EXPECT_EQ(p.rect, bar) << "only the bar is repainted for " << step.position;
        EXPECT_EQ(FilledPixels(presents.back().frame, bar), step.pixels) << step.position;
    }
    EXPECT_EQ(BarFillWidth(bar, 500), (bar.width() - 2) / 2);

    // The bar going away relays out the whole window; coming back, too.
    for (int16_t position : {int16_t(-1), int16_t(0)}) {
        const size_t mark = h.log->size();
        w.Position = position;
        ASSERT_TRUE(h.waitForPresentOf(client, mark)) << position;
        EXPECT_EQ(FilledPixels(h.log->of(Kind::Present, mark).back().frame, bar), 0);
    }
    EXPECT_EQ(w.GetBounds(), bounds) << "a changed layout does not resize the window";
}

TEST(WaitWindow, AlphaAndActiveRules)
{
    Harness h;
    h.showNow(-1);
    TThreadWindow &w = *h.window;
    ASSERT_EQ(h.log->of(Kind::Opacity).front().value, 255);

    const uint32_t alpha = uint32_t(WaitProperty::Alpha);
    size_t mark = h.log->size();
    EXPECT_EQ(w.SendPropertyMessage(WaitMessageId::SetProperty, alpha, int32_t(128)), 1);
    EXPECT_EQ(w.SendPropertyMessage(WaitMessageId::SetProperty, alpha, int32_t(128)), 0) << "same value";
    ASSERT_EQ(h.log->of(Kind::Opacity, mark).size(), 1u);
    EXPECT_EQ(h.log->of(Kind::Opacity, mark).front().value, 128);

    // Alpha 0 after the fade hides the window; showing it again restores 255.
    w.SetAlpha(0);
    ASSERT_TRUE(h.log->waitForKind(Kind::Destroy));
    EXPECT_FALSE(w.GetActive());
    EXPECT_EQ(w.GetAlpha(), 0);
    mark = h.log->size();
    w.SetActive(true);
    EXPECT_EQ(w.GetAlpha(), 255);
    ASSERT_TRUE(h.log->waitForKind(Kind::Opacity, mark));
    EXPECT_EQ(h.log->of(Kind::Opacity, mark).front().value, 255);

    // Text, colours and icon size changes repaint everything on the next tick.
    mark = h.log->size();
    w.SetText("Другая операция");
    EXPECT_EQ(w.GetText(), QByteArray("Другая операция"));
    EXPECT_TRUE(h.waitForPresentOf(w.GetBounds().movedToOrigin(), mark));
}

TEST(WaitWindow, DragFollowsTheMouseUnlessFixed)
{
    Harness h;
    h.showNow(-1);
    TThreadWindow &w = *h.window;
    const TRectL bounds = w.GetBounds();

    WaitWindowEvent press{WaitWindowEvent::ButtonPressed, {}, {5, 5}, {bounds.left + 5, bounds.top + 5}};
    h.log->setCursor(press.screen);
    h.log->inject(press);
    ASSERT_TRUE(h.log->waitForPasses(3));
    h.log->setCursor(press.screen + QPoint(30, 20));
    const TRectL moved = bounds.translated(30, 20);
    ASSERT_TRUE(h.log->waitFor([&](const std::vector<PresenterRecord> &records) {
        return std::any_of(records.begin(), records.end(),
                           [&](const PresenterRecord &r) { return r.kind == Kind::Move && r.rect == moved; });
    }));
    EXPECT_EQ(w.GetBounds(), moved);

    // Released: the cursor no longer moves it.
    h.log->inject({WaitWindowEvent::ButtonReleased, {}, {35, 25}, press.screen + QPoint(30, 20)});
    ASSERT_TRUE(h.log->waitForPasses(3));
    size_t mark = h.log->size();
    h.log->setCursor(press.screen + QPoint(90, 90));
    ASSERT_TRUE(h.log->waitForPasses(5));
    EXPECT_TRUE(h.log->of(Kind::Move, mark).empty());

    // Fixed: the window ignores the mouse.
    w.Movable = false;
    ASSERT_TRUE(h.log->waitFor([](const std::vector<PresenterRecord> &records) {
        return !records.empty() && std::any_of(records.begin(), records.end(), [](const PresenterRecord &r) {
                   return r.kind == Kind::Enabled && r.value == 0;
               });
    }));
    mark = h.log->size();
    h.log->inject({WaitWindowEvent::ButtonPressed, {}, {5, 5}, {moved.left + 5, moved.top + 5}});
    ASSERT_TRUE(h.log->waitForPasses(3));
    h.log->setCursor({moved.left + 50, moved.top + 50});
    ASSERT_TRUE(h.log->waitForPasses(5));
    EXPECT_TRUE(h.log->of(Kind::Move, mark).empty());
    EXPECT_EQ(w.GetBounds(), moved);
}

TEST(WaitWindow, BlockedWindowThreadTimesOut)
{
    Harness h("Работа", {}, 200);
    TThreadWindow &w = *h.window;

    // Held while making the window: callers cannot get in.
    h.log->blockCreate = true;
    w.FadeIn = false;
    w.ShowDelay = 0;
    ASSERT_TRUE(WaitUntil(h.log->createEntered));
    try {
        w.SetText("A");
        FAIL() << "no time-out";
    } catch (const EThreadWindow &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Время ожидания истекло"));
    }
    h.log->blockCreate = false;
    EXPECT_EQ(w.GetText(), QByteArray("Работа"));

    // Held while painting, after the call was handed over: the call is given
    // up, never applied later, and the lock comes back.
    ASSERT_TRUE(h.log->waitForKind(Kind::Present));
    h.log->blockPresent = true;
    w.Position = 10; // makes the next tick paint
    ASSERT_TRUE(WaitUntil(h.log->presentEntered));
    EXPECT_THROW(w.SetText("B"), EThreadWindow);
    h.log->blockPresent = false;
    EXPECT_EQ(w.GetText(), QByteArray("Работа"));
    w.SetText("C");
    EXPECT_EQ(w.GetText(), QByteArray("C"));
}

TEST(WaitWindow, PropertyMessagesCheckTheirParameters)
{
    Harness h("Текст");
    TThreadWindow &w = *h.window;
    char buffer[32];
    const auto message = [](auto call) {
        try {
            call();
        } catch (const EThreadWindow &e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_EQ(message([&] { w.GetProperty(8, 0, 0, buffer); }), QStringLiteral("Неверное значение параметра Size (0)"));
    EXPECT_EQ(message([&] { w.GetProperty(8, 0, 4, nullptr); }),
              QStringLiteral("Неверное значение параметра Buffer (nil)"));
    EXPECT_EQ(message([&] { w.SendPropertyMessage(1000, 8); }), QStringLiteral("Неверное значение параметра MSG (1000)"));

    // Raw reads: zero-filled, cut to the buffer.
    EXPECT_EQ(w.GetProperty(8, 0, 4, buffer), 1);
    EXPECT_EQ(QByteArray(buffer, 4), QByteArray("Тек").left(4));
    EXPECT_EQ(w.GetProperty(8, 0, sizeof buffer, buffer), 1);
    EXPECT_STREQ(buffer, "Текст");
    EXPECT_EQ(w.GetProperty(8, 1, sizeof buffer, buffer), 1);
    EXPECT_EQ(buffer[0], 0) << "text with a sub-index other than 0 is not read";
    EXPECT_EQ(w.GetProperty(1, 0, 4, buffer), 1);
    EXPECT_EQ(QByteArray(buffer, 4), QByteArray("\1\0\0\0", 4));
    w.SetBounds({10, 20, 310, 100});
    int32_t rect[4];
    EXPECT_EQ(w.GetProperty(7, 0, sizeof rect, rect), 1);
    EXPECT_EQ(rect[0], 10);
    EXPECT_EQ(rect[3], 100);
    EXPECT_EQ(w.GetProperty(11, 0, 4, buffer), 0);
    EXPECT_EQ(w.SendPropertyMessage(WaitMessageId::SetProperty, 11, int32_t(1)), 0);
}

// A window whose creation fails inside the thread.
class FailingHooks : public WaitWindowHooks {
public:
    void WindowCreated(uint32_t) override { throw AppError(QStringLiteral("нет окна")); }
};

TEST(WaitWindow, ThreadFailureReachesTheOwnerAndTheJournal)
{
    ScopedMemoryJournal journal;
    const QString expected = QStringLiteral("Во время работы потока возникла ошибка AppError\r\nShowWND:\r\nнет окна");
    {
        Harness h("Работа", std::make_shared<FailingHooks>());
        h.window->ShowDelay = 0;
        ASSERT_TRUE(h.log->waitForKind(Kind::Destroy)) << "the failed window is destroyed";
        try {
            h.window->SetText("после");
            FAIL() << "the failure was not raised";
        } catch (const EThreadWindow &e) {
            EXPECT_EQ(e.message(), expected);
        }
        // Told once; the properties stay usable.
        h.window->SetText("после");
        EXPECT_EQ(h.window->GetText(), QByteArray("после"));
        EXPECT_FALSE(h.window->GetActive());
    }
    const auto records = journal.sink().records();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].source, QStringLiteral("Tessal"));
    EXPECT_EQ(records[0].strings.value(1), expected);
}

} // namespace
