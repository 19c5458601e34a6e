#include "TessalApplication.h"

#include "CommonTessal.h"
#include "ggDebug.h"
#include "ggError.h"

TessalApplication::TessalApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TessalApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        HandleApplicationException(receiver, ExceptionText(e));
    } catch (...) {
        HandleApplicationException(receiver, QStringLiteral("unknown exception"));
    }
    return false;
}

QString TitleFromMessageModule()
{
    return MessageFromModule(
        QStringLiteral("%CommonProgramFiles%\\Orbanet\\MessagesForEventLog\\RuvUvidedErodirod.dll"),
        EventId::ApplicationTitle);
}

QByteArray ApplicationExceptionText(const QObject *sender, const QString &message)
{
    const QByteArray className = sender ? QByteArray(sender->metaObject()->className()) : QByteArray("none");
    return className + " == " + message.toUtf8();
}

void HandleApplicationException(const QObject *sender, const QString &message)
{
    LogException("MainForm.TfMain._Exception", ApplicationExceptionText(sender, message));
}
