#pragma once
// The application object of TessalCert: its title, and the handler of every
// exception that reaches the event loop (it is logged; nothing crosses the loop).
#include "ApplicationTitle.h"

#include <QApplication>
#include <QByteArray>
#include <QString>

class TessalApplication : public QApplication {
public:
    TessalApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// The title the message module gives (empty when it has none).
QString TitleFromMessageModule();

// What the exception handler logs: the receiver's class ("none" without one),
// " == ", the message.
QByteArray ApplicationExceptionText(const QObject *sender, const QString &message);
// Logs an exception that reached the event loop.
void HandleApplicationException(const QObject *sender, const QString &message);
