#pragma once
// Telling the operator why the program cannot come up, when the cause is an
// error rather than one of the start-up's own refusals with their messages.
#include "ggError.h"

#include <QString>

#include <exception>

// A failure whose message box the operator has seen already.
class ToldFailure : public AppError {
public:
    using AppError::AppError;
};

// "Программа не может продолжить работу: " and the cause; lack of memory is
// named as such, a ToldFailure is not told twice. A failure to show the
// message is swallowed: the journal and the exit code still tell it.
void TellStartFailure(const std::exception &e);
void TellStartFailure(const QString &cause);
