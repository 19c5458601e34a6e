#pragma once
// Small helpers shared by the tests.
#include <QByteArray>
#include <QString>

// Path of a file under tests/fixtures.
QString FixturePath(const QString &name);
// Path of a built program or library (TessalCert, Restavo, tools) in the build's bin folder.
QString BuiltProgram(const QString &name);
// Whole file, or an empty array when it cannot be read.
QByteArray ReadWholeFile(const QString &fileName);
// Writes a file, creating missing folders; fails the test on error.
void WriteWholeFile(const QString &fileName, const QByteArray &data);
