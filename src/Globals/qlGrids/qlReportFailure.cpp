#include "qlReportFailure.h"

#include "ApplicationTitle.h"
#include "Prompter.h"
#include "ggError.h"

#include <QGuiApplication>

void ReportControlFailure(const std::exception &error)
{
    Prompts().inform(ExceptionText(error), ApplicationTitle(), Prompt::Error);
}
