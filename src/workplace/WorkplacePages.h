#pragma once
// Which pages the main window can show, and the window that stands for the
// certificate list until the list itself is built.
#include "WorkPage.h"

#include <QWidget>

class TfMain;

// Registers every page the workplace has with the main window.
void RegisterWorkplacePages(TfMain &main);

// A list page that shows no certificates (the list query is still opened
// and followed by the actions).
class TListPlaceholder : public QWidget, public ListPage {
    Q_OBJECT
public:
    explicit TListPlaceholder(QWidget *parent = nullptr);
};
