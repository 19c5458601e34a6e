#pragma once
// TfUsers: the users page of the main window (administrator only): the list
// of users, adding, deleting, changing a password and renaming.
#include "WorkPage.h"

#include <QWidget>

class QAction;
class QTableView;
class QToolBar;

class TfUsers : public QWidget, public WorkPage {
    Q_OBJECT
public:
    explicit TfUsers(QWidget *parent = nullptr);

    // Offers the actions by the rights of the logged-on user and the current row.
    void updateActions();

    void aAddUserExecute();
    void aDeleteUserExecute();
    void aPropUserExecute();
    void aRenameUserExecute();

    QToolBar *ToolBar;
    QAction *aAddUser;
    QAction *aDeleteUser;
    QAction *aPropUser;
    QAction *aRenameUser;
    QTableView *ntDBGrid;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The page is built section by section.
    void buildToolBar();
    void buildGrid();
    // The grid shows the users' dataset: only the names, its current row in
    // step with the grid's.
    void bindUsers();
};
