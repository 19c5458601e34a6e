#pragma once
// The workplace's help: the main window's help line and the help contexts that
// F1 opens. Windows call these without knowing the main window; the main
// window provides the help line (a widget named "StaticTextHelp" with a
// "text" property) and installs the help viewer.
#include <QString>

#include <functional>

// Shows the text in the help line of every open main window; nothing when there is none.
void ShowHelpLine(const QString &text);

// Opens the help at a context number.
using HelpViewer = std::function<void(int context)>;
// Installs the viewer F1 uses; an empty one makes F1 do nothing.
void SetHelpViewer(HelpViewer viewer);
void ShowHelpContext(int context);
