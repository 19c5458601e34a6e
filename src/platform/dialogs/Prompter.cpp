#include "Prompter.h"
#include "Screen.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <cstdio>

namespace {
std::shared_ptr<Prompter> &slot()
{
    static std::shared_ptr<Prompter> prompter = std::make_shared<MessageBoxPrompter>();
    return prompter;
}

QMessageBox::Icon boxIcon(Prompt::Icon icon)
{
    switch (icon) {
    case Prompt::Error: return QMessageBox::Critical;
    case Prompt::Question: return QMessageBox::Question;
    case Prompt::Warning: return QMessageBox::Warning;
    case Prompt::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}
} // namespace

int DefaultAnswer(Prompt::Buttons buttons)
{
    if (buttons == Prompt::NoOnly)
        return Prompt::IdNo;
    return buttons == Prompt::Ok || buttons == Prompt::OkCancel ? Prompt::IdOk : Prompt::IdYes;
}

int MessageBoxPrompter::ask(const QString &text, const QString &caption, Prompt::Icon icon, Prompt::Buttons buttons)
{
    if (ScreenIsAbsent()) {
        const QByteArray line = "message box: " + caption.toUtf8() + ": " + text.toUtf8() + "\n";
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
        return DefaultAnswer(buttons);
    }
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::NoButton, QApplication::activeWindow());
    switch (buttons) {
    case Prompt::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Prompt::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Prompt::YesNoCancel: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case Prompt::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Prompt::NoOnly: box.setStandardButtons(QMessageBox::No); break;
    case Prompt::YesCancel: box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel); break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return Prompt::IdOk;
    case QMessageBox::Yes: return Prompt::IdYes;
    case QMessageBox::No: return Prompt::IdNo;
    default: return Prompt::IdCancel;
    }
}

int ScriptedPrompter::ask(const QString &text, const QString &caption, Prompt::Icon icon, Prompt::Buttons buttons)
{
    m_shown.append({text, caption, icon, buttons});
    if (!m_answers.empty()) {
        const int reply = m_answers.front();
        m_answers.pop_front();
        return reply;
    }
    return DefaultAnswer(buttons);
}

QStringList ScriptedPrompter::texts() const
{
    QStringList all;
    for (const auto &s : m_shown)
        all << s.text;
    return all;
}

Prompter &Prompts() { return *slot(); }

void SetPrompter(std::shared_ptr<Prompter> prompter)
{
    slot() = prompter ? std::move(prompter) : std::make_shared<MessageBoxPrompter>();
}

ScopedScriptedPrompter::ScopedScriptedPrompter() : m_prompter(std::make_shared<ScriptedPrompter>())
{
    SetPrompter(m_prompter);
}

ScopedScriptedPrompter::~ScopedScriptedPrompter() { SetPrompter(nullptr); }
