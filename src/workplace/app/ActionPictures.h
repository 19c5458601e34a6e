#pragma once
// The pictures of the workplace's actions, shown in the menus, on the left
// panel's large buttons and on the list's tool bar. They come from the style's
// standard icons, so they need no files of their own.
#include <QIcon>
#include <QString>

class QAction;

// The picture of the action (or drop-down button) with that object name; a
// null icon when it has none.
QIcon ActionPicture(const QString &actionName);
// Gives the action its picture, when it has one.
void SetActionPicture(QAction *action);
