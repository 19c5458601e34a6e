#include "BoxesToStandardError.h"

#include <QGuiApplication>
#include <cstdio>

int BoxesToStandardErrorPrompter::ask(const QString &text, const QString &caption, Prompt::Icon,
                                      Prompt::Buttons buttons)
{
    const QByteArray line = "message box: " + caption.toUtf8() + ": " + text.toUtf8() + "\n";
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    return buttons == Prompt::Ok || buttons == Prompt::OkCancel ? Prompt::IdOk : Prompt::IdYes;
}

bool InstallBoxesToStandardErrorWhenAsked()
{
    if (qEnvironmentVariableIsEmpty("TESSAL_AUTOCLOSE_BOXES")
        || QGuiApplication::platformName() != QLatin1String("offscreen"))
        return false;
    SetPrompter(std::make_shared<BoxesToStandardErrorPrompter>());
    return true;
}
