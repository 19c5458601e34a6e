#include "StartFailure.h"

#include "CommonTessal.h"
#include "Prompter.h"
#include "ggError.h"

#include <new>

void TellStartFailure(const QString &cause)
{
    try {
        Prompts().ask(QStringLiteral("Программа не может продолжить работу: ") + cause, App().MessageTitle,
                      Prompt::Error, Prompt::Ok);
    } catch (...) {
    }
}

void TellStartFailure(const std::exception &e)
{
    if (dynamic_cast<const ToldFailure *>(&e))
        return;
    if (dynamic_cast<const std::bad_alloc *>(&e))
        TellStartFailure(QStringLiteral("недостаточно памяти."));
    else
        TellStartFailure(ExceptionText(e));
}
