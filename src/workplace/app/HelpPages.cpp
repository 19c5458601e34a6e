#include "HelpPages.h"

#include "ApplicationTitle.h"
#include "Prompter.h"
#include "ggFiles.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QHash>
#include <QVariant>
#include <QWidget>

namespace {

std::function<void(const QUrl &)> &Opener()
{
    static std::function<void(const QUrl &)> opener;
    return opener;
}

QString HelpFolder()
{
    return JoinPath(DataDir(), QStringLiteral("help"));
}

} // namespace

int HelpContextOfPage(const QString &pageName)
{
    static const QHash<QString, int> contexts{
        {QStringLiteral("fEdit"), HelpContext::Editor}, {QStringLiteral("fView"), HelpContext::View},
        {QStringLiteral("fPrint"), HelpContext::Print}, {QStringLiteral("fList"), HelpContext::List},
        {QStringLiteral("fUsers"), HelpContext::Users}, {QStringLiteral("fSett"), HelpContext::Options},
        {QStringLiteral("fSync"), HelpContext::Sync}};
    return contexts.value(pageName, -1);
}

QString HelpPagePath(int context)
{
    const QString contents = JoinPath(HelpFolder(), QStringLiteral("index.html"));
    if (context == HelpContext::Contents)
        return contents;
    const QString page = JoinPath(HelpFolder(), QString::number(context) + QStringLiteral(".html"));
    return QFile::exists(page) ? page : contents;
}

void OpenHelpContext(int context)
{
    const QUrl url = QUrl::fromLocalFile(HelpPagePath(context));
    if (Opener())
        Opener()(url);
    else if (!QDesktopServices::openUrl(url))
        Prompts().inform(QStringLiteral("Не удалось открыть справку: на компьютере не найдена программа для "
                                        "просмотра страниц.\nСправка находится в файле ")
                             + url.toLocalFile(),
                         ApplicationTitle(), Prompt::Warning);
}

void SetHelpOpener(std::function<void(const QUrl &)> opener)
{
    Opener() = std::move(opener);
}

void ShowHelpLine(const QString &text)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (QWidget *line = window->findChild<QWidget *>(QStringLiteral("StaticTextHelp")))
            line->setProperty("text", text);
    }
}
