// Restavo's project-service operations: op 11 stores the description of the
// first service that answers, op 12 stores the service's answer only when it
// holds a project and tells the operator the service's refusals; in this
// process against the fake project service, and once as the real program.
#include "CdbExchange.h"
#include "EventJournal.h"
#include "FakeProjectService.h"
#include "Prompter.h"
#include "RestavoWorkstation.h"
#include "Sim.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace {
using namespace restavo_run;

const QByteArray kTessalForm =
    "<TessalForm language=\"en\" fSize5=\"7\"><export><exporter><name>Alpha &amp; Co</name></exporter></export>"
    "<GoodsList><commodity num=\"1\"><description>Tea</description></commodity></GoodsList></TessalForm>";

QByteArray HelloWith(const QByteArray &sims)
{
    return "<hello><exchangeProtocol version=\"2\"/>" + sims + "</hello>";
}

class SimProject : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteWholeFile(file("i.cod"), WorkstationFileOf(3, 443));
        SetCdbRequestPauseMs(0);
        service.addAccount("expert", "p&<\"ss");
        service.addProject(42, kTessalForm);
    }
    void TearDown() override { SetCdbRequestPauseMs(1000); }

    QString file(const QString &name) const { return home.filePath(QStringLiteral("data/") + name); }
    QStringList records()
    {
        QStringList found;
        for (const EventRecord &record : journal.sink().records())
            found << QStringLiteral("%1,%2: ").arg(record.type).arg(record.category) + record.strings.join(" | ");
        return found;
    }
    qint32 getProject(const QString &password = QStringLiteral("p&<\"ss"), qint32 number = 42)
    {
        TSim sim(home.path());
        return sim.GetProject(QStringLiteral("1.4.1.6"), QStringLiteral("expert"), password, QStringLiteral("user"),
                              number, QStringLiteral("Expert"));
    }

    QTemporaryDir home;
    ScopedEnvironment environment{{{"TESSAL_CA_FILE", TestPki::instance().caFile.toLocal8Bit()},
                                   {"TESSAL_CERT_DIR", TestPki::instance().makeStore({}).toLocal8Bit()}}};
    ScopedMemoryJournal journal;
    ScopedScriptedPrompter prompter;
    FakeProjectService service;
};

} // namespace

TEST_F(SimProject, DescriptionIsStoredEvenWhenNoServiceAnswers)
{
    WriteWholeFile(file("hello.xml"), HelloWith(service.simElement()));
    EXPECT_EQ(TSim(home.path()).ExecuteWSDL(), -1);
    EXPECT_EQ(ReadWholeFile(file("wsdl.xml")), service.wsdl());

    WriteWholeFile(file("hello.xml"), HelloWith(""));
    EXPECT_EQ(TSim(home.path()).ExecuteWSDL(), -1);
    EXPECT_EQ(ReadWholeFile(file("wsdl.xml")), QByteArray());
    EXPECT_TRUE(records().isEmpty());

    QFile::remove(file("hello.xml"));
    EXPECT_EQ(TSim(home.path()).ExecuteWSDL(), -2);
    ASSERT_EQ(records().size(), 1);
    EXPECT_TRUE(records()[0].startsWith(QStringLiteral("1,4: ошибка TSim.ExecuteWSDL = "))) << records()[0].toStdString();
}

TEST_F(SimProject, AnswerDecidesWhetherTheProjectIsStored)
{
    auto scripted = [](const QByteArray &body, int status = 200) {
        FakeAnswer answer = FakeAnswer::text(body);
        answer.status = status;
        answer.reason = status == 200 ? "OK" : "Internal Server Error";
        return answer;
    };
    const QByteArray project = FakeProjectService::answerEnvelope("<CertificatePack>" + kTessalForm + "</CertificatePack>");
    const QString failure = QStringLiteral("1,4: ошибка TSim.GetProject = ");
    struct Case {
        const char *name;
        std::optional<FakeAnswer> answer; // none: the service's own answer
        QString password;
        qint32 number;
        qint32 result;
        QStringList shown;
        QString failureRecord; // empty: none
    };
    const Case cases[] = {
        {"project", std::nullopt, "p&<\"ss", 42, 0, {}, {}},
        {"403", std::nullopt, "wrong", 42, -1, {"Ошибка авторизации."}, {}},
        {"404", std::nullopt, "p&<\"ss", 43, -1, {"Такого проекта на сервере нет. Возможно его уже забрали."}, {}},
        {"another code", scripted(FakeProjectService::answerEnvelope("<Error>500: сбой базы</Error>")), "x", 42, -1,
         {"Сервер вернул ошибку: 500: сбой базы"}, {}},
        {"error without a code", scripted(FakeProjectService::answerEnvelope("<Error>oops</Error>")), "x", 42, -1, {},
         failure + "'' is not a valid integer value"},
        {"HTTP 500", scripted("<soap:Fault/>", 500), "x", 42, -1, {"SendHttpsRequest: "}, {}},
        {"not XML", scripted("oops"), "x", 42, -1, {}, failure + "XML: "},
        {"no TessalForm", scripted(FakeProjectService::answerEnvelope("<CertificatePack><Other/></CertificatePack>")),
         "x", 42, -1, {}, failure + "отсутствует узел TessalForm"},
        {"no CertificatePack", scripted(FakeProjectService::answerEnvelope("<Nothing/>")), "x", 42, -1, {},
         failure + "отсутствует узел CertificatePack"},
        {"no getResult", scripted("<soap:Envelope><soap:Body><getResponse/></soap:Body></soap:Envelope>"), "x", 42, -1,
         {}, failure + "отсутствует узел getResult"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        FakeProjectService own;
        own.addAccount("expert", "p&<\"ss");
        own.addProject(42, kTessalForm);
        if (k.answer)
            own.answerWith(*k.answer);
        WriteWholeFile(file("wsdl.xml"), own.wsdl());
        WriteWholeFile(file("serv.xml"), "sentinel");
        prompter->clear();
        journal.sink().clear();

        EXPECT_EQ(getProject(k.password, k.number), k.result);

        EXPECT_EQ(ReadWholeFile(file("serv.xml")), k.result == 0 ? project : QByteArray("sentinel"));
        ASSERT_EQ(prompter->texts().size(), k.shown.size());
        for (int i = 0; i < k.shown.size(); ++i)
            EXPECT_TRUE(prompter->texts()[i].startsWith(k.shown[i])) << prompter->texts()[i].toStdString();
        QStringList failures = records().filter(QStringLiteral("ошибка TSim.GetProject"));
        EXPECT_EQ(failures.size(), k.failureRecord.isEmpty() ? 0 : 1) << failures.join('\n').toStdString();
        if (!k.failureRecord.isEmpty() && !failures.isEmpty())
            EXPECT_TRUE(failures[0].startsWith(k.failureRecord)) << failures[0].toStdString();
        // Every answer that came is recorded as it came.
        EXPECT_EQ(records().filter(QStringLiteral("0,4: проект с сервера: ")).size(), k.name == QString("HTTP 500") ? 0 : 1);

        const QList<FakeRequest> asked = own.projectRequests();
        ASSERT_EQ(asked.size(), 1);
        EXPECT_EQ(asked[0].target, own.path());
        EXPECT_EQ(asked[0].header("Content-Type"), "text/xml; charset=utf-8");
        int contentTypes = 0;
        for (const auto &header : asked[0].headers)
            contentTypes += header.first.compare("Content-Type", Qt::CaseInsensitive) == 0;
        EXPECT_EQ(contentTypes, 1);
        EXPECT_FALSE(asked[0].hasHeader("SOAPAction"));
        EXPECT_EQ(asked[0].header("User-Agent"), "Certificate Of Origin");
    }
}

TEST_F(SimProject, ServiceAddressWithoutPathOrWithoutServiceFails)
{
    // An address without a path asks at the service's root.
    FakeProjectService root("/");
    root.addAccount("expert", "p&<\"ss");
    root.addProject(42, kTessalForm);
    WriteWholeFile(file("wsdl.xml"), root.wsdl("https://127.0.0.1:" + QByteArray::number(root.port())));
    EXPECT_EQ(getProject(), 0);
    ASSERT_EQ(root.projectRequests().size(), 1);
    EXPECT_EQ(root.projectRequests()[0].target, "/");

    // No service described (op 11 found none): no request, the record only.
    WriteWholeFile(file("wsdl.xml"), "");
    WriteWholeFile(file("serv.xml"), "sentinel");
    prompter->clear();
    journal.sink().clear();
    EXPECT_EQ(getProject(), -1);
    EXPECT_TRUE(prompter->texts().isEmpty());
    EXPECT_EQ(records().filter(QStringLiteral("1,4: ошибка TSim.GetProject = ")).size(), 1);
    EXPECT_EQ(ReadWholeFile(file("serv.xml")), "sentinel");
}

TEST(SimProjectProgram, RestavoFetchesTheProjectWithThePasswordKeptApart)
{
    FakeProjectService service;
    const QString password = QStringLiteral("p,a&<\"ss");
    service.addAccount("expert", password.toUtf8());
    service.addProject(42, kTessalForm);
    const Workstation ws(443);
    ws.write("hello.xml", HelloWith(service.simElement()));

    EXPECT_EQ(ws.run(11, {}), (Message{kReply, -1, 2}));
    EXPECT_EQ(ws.read("wsdl.xml"), service.wsdl());
    EXPECT_EQ(ws.run(12, {RestavoArgument::text("1.4.1.6"), RestavoArgument::text("expert"),
                          RestavoArgument::secret(password), RestavoArgument::text("user"), RestavoArgument::number(42),
                          RestavoArgument::text("Expert")}),
              (Message{kReply, 0, 2}));
    EXPECT_EQ(ws.read("serv.xml"),
              FakeProjectService::answerEnvelope("<CertificatePack>" + kTessalForm + "</CertificatePack>"));
    ASSERT_EQ(service.projectRequests().size(), 1);
    pugi::xml_document sent;
    const QByteArray body = service.projectRequests()[0].body;
    ASSERT_TRUE(sent.load_buffer(body.constData(), size_t(body.size())));
    const pugi::xml_node get = sent.document_element().child("soap:Body").child("get");
    EXPECT_EQ(QString::fromUtf8(get.child_value("expertPaswd")), password);
    EXPECT_STREQ(get.child_value("dovNumb"), "7");
    EXPECT_STREQ(get.child_value("armNumb"), "3");
    EXPECT_STREQ(get.child_value("dovKey"), kKey.constData());
    EXPECT_STREQ(get.child_value("expertName"), "Expert");
    EXPECT_STREQ(get.child_value("userLogin"), "user");
    EXPECT_STREQ(get.child_value("certNumber"), "42");
    EXPECT_STREQ(get.attribute("xmlns").value(), FakeProjectService::Namespace.constData());
}
