#pragma once
// Whether this process has a screen to show windows on.
//
// Without one (no GUI application object, or the "offscreen" or "minimal"
// platform) a modal box or dialog could never be answered: the prompter and
// the file dialogs answer at once instead, and the wait window paints nothing.
bool ScreenIsAbsent();
