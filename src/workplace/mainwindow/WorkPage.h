#pragma once
#include <QtGlobal>

// What the main window asks of the pages it shows in its page area: whether
// the operator may leave the page now, and whether it holds unsaved work.
// The list, editor, view, print, users, options and synchronisation pages
// implement it; a page that does not is always left freely.
class WorkPage {
public:
    virtual ~WorkPage() = default;
    // Asked before another page takes this page's place; false keeps it.
    virtual bool canLeave() { return true; }
    // True while the page holds changes that closing the program would lose.
    virtual bool hasUnsavedChanges() const { return false; }
};

// The certificate list's part in the main window's actions.
class ListPage : public WorkPage {
public:
    // The list's own action states, after the main window has set its own.
    virtual void enableListActions() {}
    // The list query was reopened: count the pages anew.
    virtual void recountPages() {}
    // How many certificates the list lists, all its pages together.
    virtual qint64 listedCount() const { return 0; }
    // The button of reports over a search result.
    virtual void setReportButtonVisible(bool visible) { (void)visible; }
    virtual void focusGrid() {}
    // After the editor saved: apply the own-certificates filter again.
    virtual void ApplyMyOnlyFilter() {}
};
