#include "XvfbServer.h"

#include <QStandardPaths>

#include <chrono>

XvfbServer::~XvfbServer()
{
    if (m_connection)
        xcb_disconnect(m_connection);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

QString XvfbServer::start()
{
    using namespace std::chrono_literals;
    using Clock = std::chrono::steady_clock;
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (program.isEmpty())
        return QStringLiteral("Xvfb is not installed (apt-get install xvfb)");
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(program, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                              QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
    if (!m_process.waitForStarted(10000))
        return QStringLiteral("Xvfb did not start");
    // It writes its display number once it listens.
    QByteArray number;
    const auto deadline = Clock::now() + 30s;
    while (!number.contains('\n') && Clock::now() < deadline) {
        m_process.waitForReadyRead(200);
        number += m_process.readAllStandardOutput();
    }
    if (!number.contains('\n'))
        return QStringLiteral("Xvfb did not say its display number");
    m_display = ':' + number.trimmed();
    m_connection = xcb_connect(m_display.constData(), nullptr);
    if (xcb_connection_has_error(m_connection))
        return QStringLiteral("cannot connect to Xvfb on ") + QString::fromLatin1(m_display);
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    return {};
}
