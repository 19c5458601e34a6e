#pragma once
// The pictures of the workplace's actions, shown in the menus, on the left
// panel's large buttons and on the list's tool bar. Each is the desktop icon
// theme's picture for what the action does (printing a printer, search a
// magnifier), and where the theme has none the style's nearest standard
// icon, so they need no files of their own.
#include <QIcon>
#include <QString>

class QAction;

// The picture of the action (or drop-down button) with that object name; a
// null icon when it has none.
QIcon ActionPicture(const QString &actionName);
// Gives the action its picture, when it has one.
void SetActionPicture(QAction *action);
