#include "LibreOfficeRun.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// Made on first use, removed at the end of the process.
const QTemporaryDir &Profile()
{
    static const QTemporaryDir profile(QDir::tempPath() + QStringLiteral("/tessal-office-profile-XXXXXX"));
    return profile;
}

} // namespace

QString LibreOfficeProgram() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }

bool HaveLibreOfficeCalc()
{
    const QString soffice = LibreOfficeProgram();
    return !soffice.isEmpty()
        && QFileInfo::exists(
               QFileInfo(QFileInfo(soffice).canonicalFilePath()).dir().filePath(QStringLiteral("libsclo.so")));
}

QString ConvertWithLibreOffice(const QString &file, const QString &format, const QString &outDir)
{
    const QString step = QStringLiteral("LibreOffice conversion of %1 to %2").arg(QFileInfo(file).fileName(), format);
    if (!Profile().isValid()) {
        ADD_FAILURE() << step.toStdString() << ": no profile folder: " << Profile().errorString().toStdString();
        return {};
    }
    QProcess soffice;
    soffice.setProcessChannelMode(QProcess::MergedChannels);
    soffice.start(LibreOfficeProgram(),
                  {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(Profile().path()).toString(),
                   QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"), format,
                   QStringLiteral("--outdir"), outDir, QFileInfo(file).absoluteFilePath()});
    if (!soffice.waitForFinished(LibreOfficeLimitSeconds * 1000)) {
        soffice.kill();
        soffice.waitForFinished(10000);
        ADD_FAILURE() << step.toStdString() << " did not finish in " << LibreOfficeLimitSeconds << " s";
        return {};
    }
    const QString result = QDir(outDir).filePath(QFileInfo(file).completeBaseName() + QLatin1Char('.')
                                                 + format.section(QLatin1Char(':'), 0, 0));
    if (soffice.exitStatus() != QProcess::NormalExit || soffice.exitCode() != 0 || !QFileInfo::exists(result)) {
        ADD_FAILURE() << step.toStdString() << " failed (exit code " << soffice.exitCode()
                      << "): " << soffice.readAll().toStdString();
        return {};
    }
    return result;
}
