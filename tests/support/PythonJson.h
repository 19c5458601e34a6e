#pragma once
// Runs a Python script on a file and gives the JSON it prints. Fails the test
// (naming Reader) when the script does not run through.
#include <QJsonObject>
#include <QString>

QJsonObject RunPythonJson(const char *script, const QString &fileName, const char *reader);
