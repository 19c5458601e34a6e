#pragma once
// The program's help: HTML pages in <data folder>/help, one per help
// context ("<context>.html"), the contents being "index.html".
#include <QString>
#include <QUrl>
#include <functional>

namespace HelpContext {
constexpr int Contents = 0;
constexpr int Editor = 230, View = 260, Print = 270, List = 280, Users = 290, Options = 300, Sync = 310,
              Search = 350;
}

// The help context of a page of the main window by its object name
// ("fEdit", "fList", ...); -1 for a page that has none.
int HelpContextOfPage(const QString &pageName);
// The file of a context; the contents page for 0 and for a context without a page.
QString HelpPagePath(int context);
// Opens the page of a context with the desktop's browser.
void OpenHelpContext(int context);

// Where help pages are opened; the desktop's default until replaced (tests).
void SetHelpOpener(std::function<void(const QUrl &)> opener);

// Shows the text in the help line of every open main window (a widget named
// "StaticTextHelp" with a "text" property); nothing when there is none.
// Windows call it without knowing the main window.
void ShowHelpLine(const QString &text);
// The text the help line shows now; empty when there is none.
QString ShownHelpLine();

// A help text for a passing moment, such as a pick list open over a page:
// shown by begin; when the moment ends (end, or the moment's owner goes) the
// help line shows again what it showed before, unless something else has
// been written there meanwhile.
class HelpLineMoment {
public:
    HelpLineMoment() = default;
    ~HelpLineMoment();
    HelpLineMoment(const HelpLineMoment &) = delete;
    HelpLineMoment &operator=(const HelpLineMoment &) = delete;

    void begin(const QString &text);
    void end();

private:
    bool m_shown = false;
    QString m_text;
    QString m_before;
};
