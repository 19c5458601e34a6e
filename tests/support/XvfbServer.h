#pragma once
// An X server of the test's own (Xvfb) for tests of real X11 windows, and
// replies of xcb requests that free themselves.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <xcb/xcb.h>

#include <cstdlib>

// An Xvfb on a display number it picks itself, with a connection to it;
// stopped with the object.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    // Empty when it started, else why not (Xvfb not installed, for one).
    QString start();

    // ":<number>", for DISPLAY.
    const QByteArray &display() const { return m_display; }
    xcb_connection_t *connection() const { return m_connection; }
    xcb_window_t root() const { return m_root; }

private:
    QProcess m_process;
    QByteArray m_display;
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
};

template <class T> struct XcbReply {
    T *data;
    explicit XcbReply(T *p) : data(p) {}
    ~XcbReply() { std::free(data); }
    XcbReply(const XcbReply &) = delete;
    XcbReply &operator=(const XcbReply &) = delete;
    T *operator->() const { return data; }
    explicit operator bool() const { return data != nullptr; }
};
