#include "MessageWire.h"
#include "PrivateFolder.h"
#include "StrictDecimal.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Received {
    QString window;
    quint32 message;
    qint32 wParam;
    qint32 lParam;
    bool operator==(const Received &) const = default;
};

void PrintTo(const Received &r, std::ostream *os)
{
    *os << r.window.toStdString() << ' ' << r.message << ' ' << r.wParam << ' ' << r.lParam;
}

} // namespace

TEST(StrictDecimal, AcceptsOnlySignAndDigits)
{
    struct Case {
        const char *text;
        std::optional<qint64> value;
    };
    const Case cases[] = {
        {"15", 15},       {"-1", -1},   {"+7", 7},     {"007", 7},      {"", std::nullopt},
        {"-", std::nullopt}, {" 1", std::nullopt}, {"1 ", std::nullopt}, {"1a", std::nullopt},
        {"$10", std::nullopt}, {"0x10", std::nullopt}, {"1.0", std::nullopt},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"9223372036854775808", std::nullopt}, {"-9223372036854775809", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseStrictDecimal(c.text), c.value) << c.text;
    EXPECT_EQ(ParseStrictInt32("-2147483648"), std::numeric_limits<qint32>::min());
    EXPECT_EQ(ParseStrictInt32("2147483648"), std::nullopt);
}

TEST(MessageWire, ParsesOnlyWellFormedLines)
{
    EXPECT_EQ(ParseWireLine("1234 1030 -3 2 abc9"), (WireMessage{1234, 1030, -3, 2, "abc9"}));
    EXPECT_EQ(ParseWireLine("1234 1030 0 1 -"), (WireMessage{1234, 1030, 0, 1, {}}));
    const char *bad[] = {
        "1234 1030 -3 2",            // no token field
        "1234  1030 -3 2 t",         // doubled blank
        "-1 1030 0 1 t",             // negative handle
        "4294967296 1 0 1 t",        // handle beyond 32 bits
        "1 1 2147483648 1 t",        // wParam beyond 32 bits
        "1 1 0x10 1 t",              // not decimal
        "1 1 1 1 a-b",               // token with a foreign character
        "1 1 1 1 t\r",               // carriage return
        "1 1 1 1 t extra",
    };
    for (const char *line : bad)
        EXPECT_EQ(ParseWireLine(line), std::nullopt) << line;
}

TEST(MessageWire, ExtremeValuesSurviveTheRoundTrip)
{
    const WireMessage sent{0xFFFFFFFFu, 0, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(),
                           QByteArray(64, 'z')};
    const QByteArray line = FormatWireLine(sent);
    ASSERT_TRUE(line.endsWith('\n'));
    ASSERT_LE(line.size(), MaxWireLineLength);
    EXPECT_EQ(ParseWireLine(line.chopped(1)), sent);
}

TEST(PrivateFolder, IsCreatedClosedAndRefusedWhenNotPrivate)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString folder = base.filePath("messages");
    QString error;
    ASSERT_TRUE(EnsurePrivateFolder(folder, &error)) << error.toStdString();
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0755), 0);
    EXPECT_FALSE(EnsurePrivateFolder(folder, &error));
    EXPECT_TRUE(error.contains("open to other users"));
    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0700), 0);

    const QString link = base.filePath("link");
    ASSERT_TRUE(QFile::link(folder, link));
    EXPECT_FALSE(EnsurePrivateFolder(link, &error));

    const QString file = base.filePath("file");
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_FALSE(EnsurePrivateFolder(file, &error));

    if (geteuid() == 0) { // only the superuser can hand the folder to somebody else
        ASSERT_EQ(chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
        EXPECT_FALSE(EnsurePrivateFolder(folder, &error));
        EXPECT_TRUE(error.contains("another user"));
    }
}

TEST(WindowMessages, HandleNamesThisProcessAndTheWindow)
{
    QObject a, b;
    WindowMessages &messages = WindowMessages::instance();
    const WindowHandle handleA = messages.registerWindow(&a);
    const WindowHandle handleB = messages.registerWindow(&b);
    EXPECT_GT(static_cast<qint32>(handleA), 0);
    EXPECT_NE(handleA, handleB);
    EXPECT_EQ(ProcessOfHandle(handleA), getpid());
    EXPECT_EQ(messages.registerWindow(&a), handleA);
    EXPECT_EQ(messages.handleOf(&b), handleB);
}

TEST(WindowMessages, RoutesByWindowAndMessageNumberAsQueuedEvents)
{
    std::vector<Received> received;
    QObject sync, editor;
    WindowMessages &messages = WindowMessages::instance();
    // The same number means different things to different windows.
    for (auto [window, name] : {std::pair{&sync, "sync"}, std::pair{&editor, "editor"}}) {
        for (quint32 message : {1025u, 1026u}) {
            messages.setHandler(window, message, [&received, name, message](qint32 w, qint32 l) {
                received.push_back({name, message, w, l});
            });
        }
    }
    const WindowHandle syncHandle = messages.handleOf(&sync);
    const WindowHandle editorHandle = messages.handleOf(&editor);

    EXPECT_TRUE(PostMessage(editorHandle, 1025, 1, 2));
    EXPECT_TRUE(PostMessage(syncHandle, 1025, -1, 2));
    EXPECT_TRUE(PostMessage(syncHandle, 1026, 0, 1));
    EXPECT_TRUE(PostMessage(syncHandle, 1444, 5, 5)); // no handler: ignored
    EXPECT_TRUE(received.empty()) << "a posted message waits for the event loop";

    QCoreApplication::processEvents();
    const std::vector<Received> expected{
        {"editor", 1025, 1, 2}, {"sync", 1025, -1, 2}, {"sync", 1026, 0, 1}};
    EXPECT_EQ(received, expected);
}

TEST(WindowMessages, PostToAGoneWindowOrToNobodyFails)
{
    WindowHandle handle = 0;
    {
        QObject window;
        handle = WindowMessages::instance().registerWindow(&window);
        WindowMessages::instance().setHandler(&window, 1025, [](qint32, qint32) { FAIL(); });
    }
    EXPECT_FALSE(PostMessage(handle, 1025, 0, 2));
    EXPECT_FALSE(PostMessage(0, 1025, 0, 2));
    QCoreApplication::processEvents();
}

TEST(WindowMessages, HandlerMayDestroyItsWindow)
{
    auto *window = new QObject;
    int calls = 0;
    WindowMessages::instance().setHandler(window, 1025, [&](qint32, qint32) {
        ++calls;
        delete window;
    });
    const WindowHandle handle = WindowMessages::instance().handleOf(window);
    EXPECT_TRUE(PostMessage(handle, 1025, 0, 2));
    EXPECT_TRUE(PostMessage(handle, 1025, 0, 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
}
