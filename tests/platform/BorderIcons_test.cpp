// The tool dialogs on a real X server, as a window manager meets them: a
// child on the xcb platform shows them on an Xvfb of the test's own, and the
// test, standing in for the window manager, reads each window's
// _MOTIF_WM_HINTS when the window asks to be mapped.
#include "ChildRole.h"
#include "DlgWarningSync.h"
#include "LanguageForm.h"
#include "ScopedEnvironment.h"
#include "XvfbServer.h"
#include "uDlgNetExit.h"
#include "uFormDlgPaper.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const QString ShowDialogsRole = QStringLiteral("ShowToolDialogs");

// The dialogs without border icons, in the order the child shows them.
std::vector<std::unique_ptr<QWidget>> MakeDialogs()
{
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.push_back(std::make_unique<TFormDlgNetExit>());
    dialogs.push_back(std::make_unique<TfLanguage>());
    dialogs.push_back(std::make_unique<TfDlgWarningSync>(9));
    dialogs.push_back(std::make_unique<TFormDlgPaper>());
    return dialogs;
}

xcb_atom_t Atom(xcb_connection_t *c, const char *name)
{
    XcbReply atom(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name), nullptr));
    return atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString WindowTitle(xcb_connection_t *c, xcb_window_t window)
{
    XcbReply title(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, Atom(c, "_NET_WM_NAME"), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
    if (!title)
        return {};
    return QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(title.data)),
                             xcb_get_property_value_length(title.data));
}

QString BitNames(uint32_t bits, std::initializer_list<const char *> names)
{
    QStringList out;
    uint32_t bit = 1;
    for (const char *name : names) {
        if (bits & bit)
            out << QLatin1String(name);
        bit <<= 1;
    }
    return out.join(QLatin1Char(' '));
}

// The window's _MOTIF_WM_HINTS in words: which functions the window manager
// may offer (and so which buttons it draws) and which decorations it draws.
QString MotifHints(xcb_connection_t *c, xcb_window_t window)
{
    const xcb_atom_t atom = Atom(c, "_MOTIF_WM_HINTS");
    XcbReply property(xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom, atom, 0, 5), nullptr));
    if (!property || property->format != 32 || xcb_get_property_value_length(property.data) < 3 * 4)
        return QStringLiteral("no hints");
    const auto *hints = static_cast<const uint32_t *>(xcb_get_property_value(property.data));
    const QString leftOpen = QStringLiteral("left to the window manager");
    const QString functions =
        hints[0] & 1u ? BitNames(hints[1], {"all", "resize", "move", "minimize", "maximize", "close"}) : leftOpen;
    const QString decorations =
        hints[0] & 2u
            ? BitNames(hints[2], {"all", "border", "resize-handle", "title", "menu", "minimize", "maximize"})
            : leftOpen;
    return QStringLiteral("functions: ") + functions + QStringLiteral("; decorations: ") + decorations;
}

TEST(ChildRole, Play)
{
    if (ChildRole() != ShowDialogsRole)
        GTEST_SKIP() << "played only as a child";
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    const auto dialogs = MakeDialogs();
    for (const auto &dialog : dialogs) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get(), 60000)) << dialog->objectName().toStdString();
    }
    // Changed flags make Qt write the hints anew (here a flag that puts no
    // button on an X11 title bar); the next showing asks as the first did.
    QWidget *language = dialogs[1].get();
    language->hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !language->windowHandle()->isExposed(); }, 60000));
    language->setWindowFlags(language->windowFlags() | Qt::WindowContextHelpButtonHint);
    language->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(language, 60000));
    std::fputs(ChildAnswerLine("shown").constData(), stdout);
    std::fflush(stdout);
}

TEST(BorderIcons, ToolDialogsAskForATitleAndBorderAlone)
{
    XvfbServer server;
    const QString problem = server.start();
    if (!problem.isEmpty())
        GTEST_SKIP() << "border icons not tested: " << problem.toStdString();
    xcb_connection_t *c = server.connection();
    // As a window manager: the map requests of top-level windows come here.
    const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    xcb_generic_error_t *error = xcb_request_check(
        c, xcb_change_window_attributes_checked(c, server.root(), XCB_CW_EVENT_MASK, &events));
    ASSERT_EQ(error, nullptr);

    const ScopedEnvironment onServer({{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", server.display()}});
    const auto child = StartChildRole(ShowDialogsRole);
    QStringList asked; // title: hints, as each window asked to be mapped
    const auto deadline = Clock::now() + 100s;
    while (child->state() != QProcess::NotRunning && !child->waitForFinished(20) && Clock::now() < deadline) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_MAP_REQUEST) {
                const xcb_window_t window = reinterpret_cast<xcb_map_request_event_t *>(event)->window;
                asked << WindowTitle(c, window) + QStringLiteral(": ") + MotifHints(c, window);
                xcb_map_window(c, window);
                xcb_flush(c);
            }
            std::free(event);
        }
    }
    ASSERT_EQ(child->state(), QProcess::NotRunning) << "the child still shows dialogs after 100 s";
    EXPECT_EQ(ReadChildAnswer(*child), QByteArray("shown"));

    const QString wanted = QStringLiteral(": functions: move; decorations: border title");
    QStringList expected;
    for (const auto &dialog : MakeDialogs())
        expected << dialog->windowTitle() + wanted;
    expected << expected[1]; // the language window shown again
    EXPECT_EQ(asked.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
}

} // namespace
