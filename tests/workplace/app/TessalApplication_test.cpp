// The application object's guard: an exception thrown by an event handler
// is logged by notify and goes no further. The guard lives in TessalCert's
// own application object, so the cases run in a child of this program made
// with that object.
#include "ChildRole.h"
#include "CommonTessal.h"
#include "EventJournal.h"
#include "TessalApplication.h"
#include "ggError.h"

#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// An object whose handler of user events throws what it was told to.
class Raiser : public QObject {
public:
    explicit Raiser(QString kind) : m_kind(std::move(kind)) { setObjectName(QStringLiteral("raiser")); }

protected:
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        if (m_kind == QLatin1String("AppError"))
            throw AppError(QStringLiteral("сломано"));
        if (m_kind == QLatin1String("std"))
            throw std::runtime_error("broken");
        throw 42;
    }

private:
    QString m_kind;
};

} // namespace

// In the child: sends the event, then answers with the journal's exception records.
TEST(ChildRole, Play)
{
    if (ChildRole() != TessalApplicationRole)
        GTEST_SKIP() << "played only as a child";
    ASSERT_NE(dynamic_cast<TessalApplication *>(QCoreApplication::instance()), nullptr);
    ScopedMemoryJournal journal;
    App().CurrentUserName = QStringLiteral("Оператор");
    Raiser raiser(ChildArgs().value(0));
    QEvent event(QEvent::User);
    const bool delivered = QCoreApplication::sendEvent(&raiser, &event);
    QStringList lines{delivered ? QStringLiteral("delivered") : QStringLiteral("stopped")};
    for (const EventRecord &record : journal.sink().withId(EventId::ExceptionCaught))
        lines << record.strings.join(QLatin1Char('|'));
    std::fputs(ChildAnswerLine(lines.join(QLatin1String(" / ")).toUtf8()).constData(), stdout);
    std::fflush(stdout);
}

TEST(TessalApplication, ExceptionFromAnEventHandlerIsLoggedAndStopsThere)
{
    struct Case {
        const char *name;
        const char *kind;
        QString answer;
    };
    const QString location = QStringLiteral("stopped / [Оператор]MainForm.TfMain._Exception|");
    const QList<Case> cases = {
        {"our error", "AppError", location + QStringLiteral("QObject == сломано")},
        {"standard exception", "std", location + QStringLiteral("QObject == broken")},
        {"anything else", "int", location + QStringLiteral("QObject == unknown exception")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto child = StartChildRole(TessalApplicationRole, {QString::fromLatin1(c.kind)});
        const QString answer = QString::fromUtf8(ReadChildAnswer(*child));
        ASSERT_TRUE(child->waitForFinished(60000));
        EXPECT_EQ(answer.toStdString(), c.answer.toStdString());
        EXPECT_EQ(child->exitCode(), 0);
    }
}
