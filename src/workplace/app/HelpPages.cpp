#include "HelpPages.h"

#include "ApplicationTitle.h"
#include "Prompter.h"
#include "ggFiles.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
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

namespace {

void TellWhereHelpIs(const QString &page)
{
    Prompts().inform(QStringLiteral("Не удалось открыть справку: на компьютере не найдена программа для "
                                    "просмотра страниц.\nСправка находится в файле ")
                         + page,
                     ApplicationTitle(), Prompt::Warning);
}

// The desktop's opener, xdg-open, says only by its exit code that it found
// no program for the page ("no method available"); with a browser it may
// run as long as the browser does. So it is watched, and the operator is
// told where the page is when it fails. One still running when the program
// ends is left running: its object is deleted only once it has finished.
void OpenWithDesktop(const QUrl &url)
{
    const QString page = url.toLocalFile();
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        TellWhereHelpIs(page);
        return;
    }
    auto *process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, qApp, [process, page](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            TellWhereHelpIs(page);
    });
    QObject::connect(process, &QProcess::errorOccurred, qApp, [process, page](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        TellWhereHelpIs(page);
    });
    process->start(opener, {page});
}

} // namespace

void OpenHelpContext(int context)
{
    const QUrl url = QUrl::fromLocalFile(HelpPagePath(context));
    if (Opener())
        Opener()(url);
    else
        OpenWithDesktop(url);
}

void SetHelpOpener(std::function<void(const QUrl &)> opener)
{
    Opener() = std::move(opener);
}

namespace {

QWidget *HelpLineOf(QWidget *window)
{
    return window->findChild<QWidget *>(QStringLiteral("StaticTextHelp"));
}

} // namespace

void ShowHelpLine(const QString &text)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (QWidget *line = HelpLineOf(window))
            line->setProperty("text", text);
    }
}

QString ShownHelpLine()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (QWidget *line = HelpLineOf(window))
            return line->property("text").toString();
    }
    return QString();
}

HelpLineMoment::~HelpLineMoment()
{
    end();
}

void HelpLineMoment::begin(const QString &text)
{
    if (!m_shown)
        m_before = ShownHelpLine();
    m_shown = true;
    m_text = text;
    ShowHelpLine(text);
}

void HelpLineMoment::end()
{
    if (!m_shown)
        return;
    m_shown = false;
    if (ShownHelpLine() == m_text)
        ShowHelpLine(m_before);
}
