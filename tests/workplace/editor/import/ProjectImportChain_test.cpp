// The editor's ZUV action: the log-on dialog, the chain of Restavo runs (here
// started by a recording starter: their command lines, the order of their
// messages), the project filled into the certificate, and the action enabled
// again whichever way the chain ends.
#include "EditorTestSupport.h"

#include "ModalDriver.h"
#include "FakeProjectService.h"
#include "ProjectImportChain.h"
#include "ReplyWaiter.h"
#include "RestavoWorkstation.h"
#include "SqlQuery.h"
#include "ggDebug.h"

#include <cerrno>

#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

const QByteArray kHello = "<hello><exchangeProtocol version=\"2\"/><sim host=\"127.0.0.1\" port=\"1\" path=\"/\"/></hello>";
const QByteArray kTessalForm =
    "<TessalForm language=\"en\" fSize10=\"7\">"
    "<export><exporter><name>Alpha &amp; Co</name><address>Moscow</address></exporter></export>"
    "<transport>By truck</transport><declaration><City>Berlin</City><Date>05.03.2024</Date></declaration>"
    "<GoodsList><commodity num=\"1\"><description>Tea</description><package count=\"3\">boxes</package>"
    "<weight count=\"12\">kg</weight></commodity><commodity num=\"2\"><description>Coffee</description></commodity>"
    "</GoodsList></TessalForm>";

struct StartedRun {
    RestavoCommand command;
    RestavoCommandLine line;
};

class ProjectImportTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        prepareNew();
        showEditor();
        editor->setRestavoStarter([this](const RestavoCommand &command) {
            runs.append({command, BuildRestavoCommandLine(command)});
            LaunchResult result;
            if (!startFailures.isEmpty()) {
                result = startFailures.takeFirst();
                if (!result.started)
                    return result;
            }
            result.started = true;
            result.pid = 5000 + runs.size();
            return result;
        });
        QObject::connect(editor.get(), &TfEdit::statusText, editor.get(), [this](const QString &text) { status << text; });
    }

    ProjectImportChain &chain() { return editor->projectImport(); }
    QAction *action() { return editor->aDownLoadSim(); }

    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    void start(const QString &password = QStringLiteral("p&<\"w"))
    {
        chain().start({QStringLiteral("expert"), password, QStringLiteral("user"), QStringLiteral("42")},
                      QStringLiteral("Expert"));
        settle();
    }
    // Restavo's reply to the last run started.
    void reply(qint32 wParam, qint32 lParam) { replyTo(runs.size() - 1, wParam, lParam); }
    void replyTo(int run, qint32 wParam, qint32 lParam)
    {
        const RestavoCommand &command = runs.at(run).command;
        WindowMessages::instance().postLocal(command.replyWindow, command.replyMessage, wParam, lParam);
        settle();
    }
    // The command line without the reply window, which each run has its own of.
    QString words(int run) const
    {
        QStringList list = runs.at(run).line.text.split(',');
        list[1] = QStringLiteral("<h>");
        return list.join(',');
    }

    QList<StartedRun> runs;
    QList<LaunchResult> startFailures;
    QStringList status;
};

} // namespace

TEST_F(ProjectImportTest, ChainOfThreeRunsFillsTheCertificate)
{
    start();
    EXPECT_FALSE(action()->isEnabled());
    ASSERT_EQ(runs.size(), 1);
    EXPECT_EQ(words(0), "2,<h>,1025,1.4.1.6");
    EXPECT_NE(runs[0].command.replyWindow, 0u);
    EXPECT_EQ(chain().runInFlight(), 5001);

    WriteWholeFile(dataPath("hello.xml"), kHello);
    reply(0, 2);
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(words(1), "11,<h>,1026");

    reply(-1, 2);
    ASSERT_EQ(runs.size(), 3);
    // The password never stands in the command line.
    EXPECT_EQ(words(2), "12,<h>,1027,1.4.1.6,expert,*,user,42,Expert");
    EXPECT_EQ(runs[2].line.secrets.value(SecretWordVariable(6)), QByteArray("p&<\"w"));
    EXPECT_FALSE(action()->isEnabled());

    WriteWholeFile(dataPath("serv.xml"),
                   FakeProjectService::answerEnvelope("<CertificatePack>" + kTessalForm + "</CertificatePack>"));
    reply(0, 2);
    EXPECT_EQ(runs.size(), 3);
    EXPECT_TRUE(action()->isEnabled());
    EXPECT_FALSE(chain().running());
    EXPECT_EQ(status.last(), QStringLiteral("Загрузка завершена"));
    EXPECT_TRUE(prompter->texts().isEmpty()) << prompter->texts().join('\n').toStdString();

    EXPECT_EQ(text("dbeExporter"), QStringLiteral("Alpha & Co\nMoscow"));
    EXPECT_EQ(text("dbm3"), QStringLiteral("By truck"));
    EXPECT_EQ(text("EditCity12"), QStringLiteral("Berlin"));
    EXPECT_EQ(box<QDateEdit>("TntDateTimePicker12")->date(), QDate(2024, 3, 5));
    EXPECT_EQ(box<QLabel>("StaticTextLang")->text(), QStringLiteral("en"));
    EXPECT_EQ(dm->QueryInsM.paramByName("Language").asText(), QStringLiteral("en"));
    EXPECT_EQ(dm->QueryInsM.paramByName("fSize10").asInteger(), 7);
    EXPECT_EQ(dm->QueryInsM.paramByName("fSize5").asInteger(), 10);
    ClientDataSet &goods = editor->cdsD();
    ASSERT_EQ(goods.recordCount(), 2);
    EXPECT_EQ(goods.rowValue(0, goods.fieldByName("d8").index()).toString(), QStringLiteral("Tea"));
    EXPECT_EQ(goods.rowValue(0, goods.fieldByName("d9p").index()).toString(), QStringLiteral("boxes"));
    EXPECT_EQ(goods.rowValue(0, goods.fieldByName("d10q").index()).toString(), QStringLiteral("kg"));
    EXPECT_EQ(goods.rowValue(1, goods.fieldByName("d10w").index()).toString(), QString());
    EXPECT_TRUE(editor->HasPendingEdits());
}

TEST_F(ProjectImportTest, EveryWayTheChainEndsEnablesTheActionAgain)
{
    LaunchResult missing;
    missing.errorCode = EACCES; // the system's number, told in Windows' words (5)
    LaunchResult refused;
    refused.error = QStringLiteral("Restavo не запущен: параметр 7 пуст.");
    const QByteArray authFailed = "<dataPacket name=\"authfailed\"><message>Ключ неверен</message></dataPacket>";
    struct Case {
        const char *name;
        int step;                     // 0 hello, 1 description, 2 project
        std::optional<LaunchResult> start; // the step's run cannot start
        qint32 wParam, lParam;        // else its reply
        QByteArray hello, serv;
        QString status;               // last status text; empty: none expected
        QStringList shown;
    };
    const QString startFailure = QStringLiteral("Ошиблись с загрузкой: ") + SysErrorText(5);
    const Case cases[] = {
        {"hello cannot start", 0, missing, 0, 0, {}, {}, startFailure, {}},
        {"hello: Restavo failed", 0, {}, 0, 1, {}, {}, "Ошибка запуска в программе", {}},
        {"hello: error", 0, {}, -1, 2, {}, {}, "Ошибка обращения GetMessageSim(hello)", {}},
        {"hello: empty answer", 0, {}, 0, 2, "", {}, "", {"Сервер вернул пустую строку на hello"}},
        {"hello: refused", 0, {}, 0, 2, authFailed, {}, "", {"Ключ неверен"}},
        {"hello: not XML", 0, {}, 0, 2, "garbage<", {}, "Сбой при разборе", {}},
        {"description cannot start", 1, missing, 0, 0, kHello, {}, startFailure, {startFailure}},
        {"description: Restavo failed", 1, {}, 0, 1, kHello, {}, "Ошибка запуска в программе", {}},
        {"description: none", 1, {}, -2, 2, kHello, {}, "", {"не удалось загрузить WSDL"}},
        {"project refused by the starter", 2, refused, 0, 0, kHello, {}, refused.error, {}},
        {"project: Restavo failed", 2, {}, 0, 1, kHello, {}, "Ошибка запуска в программе", {}},
        {"project: error", 2, {}, -1, 2, kHello, {}, "Ошибка обращения к ZUV", {}},
        {"project: refusal in serv.xml", 2, {}, 0, 2, kHello,
         FakeProjectService::answerEnvelope("<Error>403: нет</Error>"), "", {"Ошибка авторизации."}},
        {"project: no TessalForm", 2, {}, 0, 2, kHello, FakeProjectService::answerEnvelope("<CertificatePack/>"), "", {}},
        {"project: unreadable serv.xml", 2, {}, 0, 2, kHello, "oops", "Сбой при разборе проекта", {}},
        {"project without goods", 2, {}, 0, 2, kHello,
         FakeProjectService::answerEnvelope("<CertificatePack><TessalForm/></CertificatePack>"), "Сбой при разборе проекта", {}},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        runs.clear();
        status.clear();
        prompter->clear();
        WriteWholeFile(dataPath("hello.xml"), k.hello);
        WriteWholeFile(dataPath("serv.xml"), k.serv);
        for (int i = 0; i < k.step; ++i)
            startFailures.append(LaunchResult{true, 0, 0, {}});
        if (k.start)
            startFailures.append(*k.start);
        start();
        if (k.step >= 1)
            reply(0, 2);
        if (k.step >= 2)
            reply(-1, 2);
        if (!k.start)
            reply(k.wParam, k.lParam);
        startFailures.clear();

        EXPECT_EQ(runs.size(), k.step + 1);
        EXPECT_TRUE(action()->isEnabled());
        EXPECT_FALSE(chain().running());
        EXPECT_EQ(chain().runInFlight(), 0);
        if (!k.status.isEmpty()) {
            ASSERT_FALSE(status.isEmpty());
            EXPECT_TRUE(status.last().startsWith(k.status)) << status.last().toStdString();
        }
        ASSERT_EQ(prompter->texts().size(), k.shown.size()) << prompter->texts().join('\n').toStdString();
        for (int i = 0; i < k.shown.size(); ++i)
            EXPECT_TRUE(prompter->texts()[i].startsWith(k.shown[i])) << prompter->texts()[i].toStdString();
        EXPECT_EQ(text("dbm3"), QString()); // nothing was filled
    }
}

TEST_F(ProjectImportTest, RepliesOfARunGivenUpAreNotHeard)
{
    WriteWholeFile(dataPath("hello.xml"), kHello);
    start();
    ASSERT_EQ(runs.size(), 1);
    // The certificate is shown anew while the hello run is still going.
    editor->FormShow();
    EXPECT_TRUE(action()->isEnabled());
    EXPECT_FALSE(chain().running());
    replyTo(0, 0, 2);
    EXPECT_EQ(runs.size(), 1);

    // A new chain: the old run's reply, even its failure reply, moves nothing.
    start();
    ASSERT_EQ(runs.size(), 2);
    replyTo(0, 0, 1);
    EXPECT_EQ(runs.size(), 2);
    EXPECT_TRUE(chain().running());
    EXPECT_FALSE(action()->isEnabled());
    replyTo(1, 0, 2);
    ASSERT_EQ(runs.size(), 3);
    EXPECT_EQ(words(2), "11,<h>,1026");
    // A second reply of the same run moves nothing either.
    replyTo(1, 0, 2);
    EXPECT_EQ(runs.size(), 3);
}

TEST(ProjectLogOn, WhatCannotStartTheChain)
{
    const QString fine;
    const QString digits = QStringLiteral("Номер заготовки вводится цифрами.");
    const struct {
        const char *name;
        ProjectLogOn logOn;
        QString programUser;
        QString refusal;
    } cases[] = {
        {"all given", {"expert", "", "user", "42"}, "Expert", fine},
        {"password with a comma", {"expert", "p,w", "user", "0042"}, "Expert", fine},
        {"letters in the number", {"expert", "pw", "user", "12a"}, "Expert", digits},
        {"sign", {"expert", "pw", "user", "+12"}, "Expert", digits},
        {"blank", {"expert", "pw", "user", " 12"}, "Expert", digits},
        {"too big", {"expert", "pw", "user", "99999999999"}, "Expert", digits},
        {"no number", {"expert", "pw", "user", ""}, "Expert", digits},
        {"no account", {"", "pw", "user", "42"}, "Expert", "Имя эксперта не указано: без него проект не получить."},
        {"comma in the account", {"a,b", "pw", "user", "42"}, "Expert", "Имя эксперта не может содержать запятую."},
        {"no user name", {"expert", "pw", "", "42"}, "Expert", "Имя пользователя не указано: без него проект не получить."},
        {"comma in the program user", {"expert", "pw", "user", "42"}, "Иванов, И.", "Имя вошедшего в программу не может содержать запятую."},
    };
    for (const auto &k : cases)
        EXPECT_EQ(ProjectLogOnRefusal(k.logOn, k.programUser), k.refusal) << k.name;
}

TEST_F(ProjectImportTest, ActionAsksForTheLogOnAndRemembersIt)
{
    dm->SaveOption(App().CurrentUserName, AccountSimOption, QStringLiteral("remembered"));
    auto answer = [](const QString &number) {
        AnswerNextModal([number](QWidget *dialog) {
            EXPECT_EQ(ChildOf<QLineEdit>(dialog, "editAccount")->text(), QStringLiteral("remembered"));
            ChildOf<QLineEdit>(dialog, "editAccount")->setText(QStringLiteral("expert"));
            ChildOf<QLineEdit>(dialog, "editPassword")->setText(QStringLiteral("p,w"));
            ChildOf<QLineEdit>(dialog, "editUserName")->setText(QStringLiteral("user"));
            ChildOf<QLineEdit>(dialog, "editProjectNumber")->setText(number);
            ClickChild(dialog, "buttonOk");
        });
    };
    EXPECT_EQ(action()->toolTip(), QStringLiteral("Забрать проект из ZUV"));

    answer(QStringLiteral("12a"));
    action()->trigger();
    EXPECT_EQ(prompter->texts(), QStringList{QStringLiteral("Номер заготовки вводится цифрами.")});
    EXPECT_TRUE(runs.isEmpty());
    EXPECT_TRUE(action()->isEnabled());
    EXPECT_EQ(dm->ReadOption(App().CurrentUserName, AccountSimOption), QStringLiteral("remembered"));

    answer(QStringLiteral("42"));
    action()->trigger();
    settle();
    ASSERT_EQ(runs.size(), 1);
    EXPECT_EQ(words(0), "2,<h>,1025,1.4.1.6");
    EXPECT_FALSE(action()->isEnabled());
    EXPECT_EQ(dm->ReadOption(App().CurrentUserName, AccountSimOption), QStringLiteral("expert"));
    EXPECT_EQ(dm->ReadOption(App().CurrentUserName, PasswordSimOption), QStringLiteral("p,w"));
}

TEST_F(EditorTest, ProjectComesThroughTheRealRestavo)
{
    FakeProjectService service;
    service.addAccount("expert", "p,w&<");
    service.addProject(42, kTessalForm);
    FakeCentralServer central;
    central.addRoute("GET", "/base/sync/hello",
                     FakeAnswer::text("<hello><exchangeProtocol version=\"2\"/>" + service.simElement() + "</hello>"));
    WriteWholeFile(dataPath("i.cod"), restavo_run::WorkstationFileOf(3, central.port()));
    ASSERT_TRUE(QFile::link(BuiltProgram("Restavo"), home.filePath("Restavo")));
    const ScopedEnvironment environment({{"TESSAL_HOME", home.path().toLocal8Bit()},
                                         {"TESSAL_CA_FILE", TestPki::instance().caFile.toLocal8Bit()},
                                         {"TESSAL_CERT_DIR", TestPki::instance().makeStore({}).toLocal8Bit()},
                                         {"TESSAL_CDB_PAUSE_MS", "0"},
                                         {"QT_QPA_PLATFORM", "offscreen"}});
    prepareNew();
    showEditor();
    QStringList status;
    QObject::connect(editor.get(), &TfEdit::statusText, editor.get(), [&status](const QString &text) { status << text; });

    editor->projectImport().start({QStringLiteral("expert"), QStringLiteral("p,w&<"), QStringLiteral("user"),
                                   QStringLiteral("42")},
                                  QStringLiteral("Expert"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !editor->projectImport().running(); }, 60000));
    EXPECT_EQ(status.value(status.size() - 1), QStringLiteral("Загрузка завершена"));
    EXPECT_TRUE(editor->aDownLoadSim()->isEnabled());
    EXPECT_EQ(editor->findChild<QPlainTextEdit *>("dbeExporter")->toPlainText(), QStringLiteral("Alpha & Co\nMoscow"));
    EXPECT_EQ(editor->cdsD().recordCount(), 2);
    ASSERT_EQ(service.projectRequests().size(), 1);
    EXPECT_TRUE(service.projectRequests()[0].body.contains("<expertPaswd>p,w&amp;&lt;</expertPaswd>"));
}
