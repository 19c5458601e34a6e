#include "HelpPages.h"

#include "ggFiles.h"

#include <QDesktopServices>
#include <QFile>
#include <QHash>

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
    else
        QDesktopServices::openUrl(url);
}

void SetHelpOpener(std::function<void(const QUrl &)> opener)
{
    Opener() = std::move(opener);
}
