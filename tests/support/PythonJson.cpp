#include "PythonJson.h"

#include <QJsonDocument>
#include <QProcess>

#include <gtest/gtest.h>

QJsonObject RunPythonJson(const char *script, const QString &fileName, const char *reader)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(script), fileName});
    const bool finished = python.waitForFinished(60000);
    const QByteArray output = python.readAllStandardOutput();
    EXPECT_TRUE(finished && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0)
        << reader << " could not read " << fileName.toStdString() << ": "
        << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(output).object();
}
