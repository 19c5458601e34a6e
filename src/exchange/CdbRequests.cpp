#include "CdbRequests.h"

#include "qlMsInternet.h"

namespace {

QString Target(const QByteArray &serverPath, const char *ownPath, const QByteArray &query = {})
{
    QByteArray target = serverPath + ownPath;
    if (!query.isEmpty())
        target += '?' + query;
    return QString::fromUtf8(target);
}

CdbRequest Get(const QString &target, const QByteArray &identity)
{
    return {QStringLiteral("GET"), target, identity};
}

} // namespace

QByteArray IdentityQuery(int32_t chamberNumber, int32_t workstationNumber, const QByteArray &chamberKey,
                         const QString &programVersion)
{
    return "tppn=" + QByteArray::number(chamberNumber) + "&plcn=" + QByteArray::number(workstationNumber)
        + "&tppk=" + chamberKey + "&pver=" + programVersion.toUtf8();
}

QByteArray NormaliseServerPath(const QByteArray &path)
{
    const qsizetype slash = path.indexOf('/');
    if (slash < 0)
        return path.isEmpty() ? path : '/' + path;
    QByteArray normal = '/' + path.mid(slash + 1);
    if (normal.endsWith('/'))
        normal.chop(1);
    return normal;
}

namespace CdbRequests {

CdbRequest Hello(const QString &entryBasePath, const QByteArray &identity, bool identityInQuery)
{
    QString target = entryBasePath + QStringLiteral("/sync/hello");
    if (identityInQuery)
        target += QLatin1Char('?') + QString::fromUtf8(identity);
    return Get(target, identity);
}

CdbRequest WorkstationFile(const QByteArray &serverPath, const QByteArray &identity)
{
    return Get(Target(serverPath, "/icod", identity), identity);
}

CdbRequest Versions(const QByteArray &serverPath, const QByteArray &identity)
{
    return Get(Target(serverPath, "/version", identity), identity);
}

CdbRequest Changes(const QByteArray &serverPath, const QByteArray &identity, const QByteArray &lastChange)
{
    const QByteArray known = lastChange.isEmpty() ? QByteArray("0") : lastChange;
    return Get(Target(serverPath, "/changes", identity + "&lastKnownChange=" + known), identity);
}

CdbRequest SaveDay(const QByteArray &serverPath, const QByteArray &identity, const QByteArray &packet)
{
    return {QStringLiteral("POST"), Target(serverPath, "/save"), identity + "&certBody=" + UrlEncode(packet, true)};
}

CdbRequest Restore(const QByteArray &serverPath, const QByteArray &identity)
{
    return Get(Target(serverPath, "/restore", identity), identity);
}

CdbRequest Upload(const QByteArray &serverPath)
{
    return {QStringLiteral("POST"), Target(serverPath, "/upload"), {}};
}

CdbRequest UpdateFile(const QByteArray &url, const QByteArray &identity)
{
    return Get(QString::fromUtf8(url), identity);
}

} // namespace CdbRequests

void PrepareRequest(THttpsConnection &connection, const CdbRequest &request)
{
    connection.Path = request.path;
    connection.SetPostData(request.body);
}
