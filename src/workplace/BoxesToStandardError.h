#pragma once
// For automated runs of the real program without a screen: when the
// platform is "offscreen" and TESSAL_AUTOCLOSE_BOXES is set, message boxes
// are not shown; each is written to standard error as one line
// ("message box: <caption>: <text>") and answered with its default button
// (OK, or Yes). Otherwise the real boxes stay.
#include "Prompter.h"

class BoxesToStandardErrorPrompter : public Prompter {
public:
    int ask(const QString &text, const QString &caption, Prompt::Icon icon, Prompt::Buttons buttons) override;
};

// Installs that prompter when the environment asks for it; true when it did.
bool InstallBoxesToStandardErrorWhenAsked();
