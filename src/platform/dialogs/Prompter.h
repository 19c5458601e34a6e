#pragma once
// Stands for the platform's message boxes. Logic code asks through Prompts();
// the programs use the real boxes, tests install a script. A program without
// a screen never waits on a box: see MessageBoxPrompter.
#include <QList>
#include <QString>
#include <deque>
#include <memory>

namespace Prompt {
// Icons and answers use the platform's numbers, which callers compare against.
enum Icon { NoIcon = 0, Error = 0x10, Question = 0x20, Warning = 0x30, Information = 0x40 };
// NoOnly (a box whose one button is No) has no platform number of its own.
enum Buttons { Ok = 0, OkCancel = 1, YesNoCancel = 3, YesNo = 4, NoOnly = 0x100, YesCancel = 0x200 };
enum Answer { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };
}

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows Text under Caption and returns the button pressed.
    virtual int ask(const QString &text, const QString &caption, Prompt::Icon icon, Prompt::Buttons buttons) = 0;

    void inform(const QString &text, const QString &caption, Prompt::Icon icon = Prompt::Information)
    {
        ask(text, caption, icon, Prompt::Ok);
    }
};

// The button a box answers with when nobody presses one: Ok for Ok boxes,
// No for NoOnly boxes, Yes otherwise.
int DefaultAnswer(Prompt::Buttons buttons);

// Real message boxes (QMessageBox), parented to the active window. Without a
// screen (ScreenIsAbsent) a box is not shown: it is written to standard error
// as one line, "message box: <caption>: <text>", and answered with its
// default button.
class MessageBoxPrompter : public Prompter {
public:
    int ask(const QString &text, const QString &caption, Prompt::Icon icon, Prompt::Buttons buttons) override;
};

// Records every box and answers from a queue (tests). An empty queue gives
// the default answer.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        QString caption;
        Prompt::Icon icon;
        Prompt::Buttons buttons;
    };
    int ask(const QString &text, const QString &caption, Prompt::Icon icon, Prompt::Buttons buttons) override;
    void answer(int reply) { m_answers.push_back(reply); }
    const QList<Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); m_answers.clear(); }

private:
    QList<Shown> m_shown;
    std::deque<int> m_answers;
};

// The prompter in use; a MessageBoxPrompter until another is installed.
Prompter &Prompts();
void SetPrompter(std::shared_ptr<Prompter> prompter);

// Installs a ScriptedPrompter for the lifetime of the object (tests).
class ScopedScriptedPrompter {
public:
    ScopedScriptedPrompter();
    ~ScopedScriptedPrompter();
    ScriptedPrompter &operator*() { return *m_prompter; }
    ScriptedPrompter *operator->() { return m_prompter.get(); }

private:
    std::shared_ptr<ScriptedPrompter> m_prompter;
};
