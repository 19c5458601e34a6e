#include "UrlPort.h"

#include "ServerAnswers.h"
#include "qlMsInternet.h"

namespace {
constexpr int DefaultHttpsPort = 443;
}

int UrlPort(const QString &url)
{
    const QString host = UrlHost(url);
    const qsizetype slashes = url.indexOf(QStringLiteral("//"));
    const qsizetype at = url.indexOf(host, slashes >= 0 ? slashes + 2 : 0);
    const QString rest = at >= 0 ? url.mid(at + host.size()) : QString();
    if (!rest.startsWith(QLatin1Char(':')))
        return DefaultHttpsPort;
    return PortNumber(rest.mid(1).section(QLatin1Char('/'), 0, 0).toUtf8());
}
