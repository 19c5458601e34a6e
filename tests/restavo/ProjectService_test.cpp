// The project service as Restavo talks to it: where its description is
// asked for, which service gives it, what is read out of it, and the SOAP
// request built from it.
#include "CdbExchange.h"
#include "EventJournal.h"
#include "FakeProjectService.h"
#include "ProjectService.h"
#include "ScopedEnvironment.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace {

QByteArray Sim(int port, const QByteArray &path)
{
    return "<sim host=\"127.0.0.1\" port=\"" + QByteArray::number(port) + "\" path=\"" + path + "\"/>";
}

struct Trusting : ::testing::Test {
    ScopedEnvironment environment{{{"TESSAL_CA_FILE", TestPki::instance().caFile.toLocal8Bit()},
                                   {"TESSAL_CERT_DIR", TestPki::instance().makeStore({}).toLocal8Bit()}}};
};

} // namespace

TEST(ProjectService, DescriptionPathFromTheSimPath)
{
    const struct {
        const char *path, *target;
    } cases[] = {
        {"ws/certs.asmx", "/ws/certs.asmx?WSDL"},
        {"/ws//certs.asmx", "/ws/certs.asmx?WSDL"},
        {"/ws/certs.asmx", "/ws/certs.asmx?WSDL"},
        {"/ws/", "/ws/?WSDL"},
        {"", "/?WSDL"},
    };
    for (const auto &k : cases)
        EXPECT_EQ(WsdlRequestPath(QString::fromLatin1(k.path)), QString::fromLatin1(k.target)) << k.path;
}

TEST_F(Trusting, DescriptionComesFromTheFirstServiceThatAnswers)
{
    FakeProjectService service;
    const int closed = ClosedLoopbackPort();
    const QByteArray wanted = service.wsdl();
    const struct {
        const char *name;
        QByteArray sims;
        QByteArray description;
        QByteArray target; // what the service was asked, empty: nothing
    } cases[] = {
        {"second of two, the first unreachable", Sim(closed, "/ws/certs.asmx") + service.simElement(), wanted,
         "/ws/certs.asmx?WSDL"},
        {"path without its slash", Sim(service.port(), "ws/certs.asmx"), wanted, "/ws/certs.asmx?WSDL"},
        {"path with a double slash", Sim(service.port(), "/ws//certs.asmx"), wanted, "/ws/certs.asmx?WSDL"},
        {"a service that answers 404 is passed over", Sim(service.port(), "/other") + service.simElement(), wanted,
         "/other?WSDL"},
        {"no port", "<sim host=\"127.0.0.1\" path=\"/ws/certs.asmx\"/>", "", ""},
        {"none answers", Sim(closed, "/ws/certs.asmx"), "", ""},
        {"no service at all", "<cdb host=\"127.0.0.1\" port=\"1\" path=\"/\"/>", "", ""},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.name);
        ScopedMemoryJournal journal;
        const QString hello = QString::fromUtf8("<hello><exchangeProtocol version=\"2\"/>" + k.sims + "</hello>");
        EXPECT_EQ(GetWSDL(ProjectServiceAgent, ProjectServiceCertificateSubject, hello), QString::fromUtf8(k.description));
        const QList<FakeRequest> asked = service.requests();
        EXPECT_EQ(asked.isEmpty() ? QByteArray() : asked.front().target, k.target);
        if (!asked.isEmpty()) {
            EXPECT_EQ(asked.front().method, "GET");
            EXPECT_EQ(asked.front().header("User-Agent"), "Certificate Of Origin");
            EXPECT_TRUE(asked.front().body.isEmpty());
        }
        EXPECT_TRUE(journal.sink().records().isEmpty()); // passing a service over is no failure
        service.clearRequests();
    }
}

TEST(ProjectService, NamespaceAndAddressOfTheDescription)
{
    FakeProjectService service;
    const QString wsdl = QString::fromUtf8(service.wsdl());
    EXPECT_EQ(ServiceNamespace(wsdl), QString::fromUtf8(FakeProjectService::Namespace));
    EXPECT_EQ(ServiceAddress(wsdl), QString::fromUtf8(service.address()));

    QString noTypes = wsdl;
    noTypes.replace(QStringLiteral("<wsdl:types>"), QStringLiteral("<types>"));
    EXPECT_EQ(ServiceNamespace(noTypes), QString());
    QString noAddress = wsdl;
    noAddress.replace(QStringLiteral("<soap:address"), QStringLiteral("<soap12:address"));
    EXPECT_EQ(ServiceAddress(noAddress), QString());
    EXPECT_EQ(ServiceAddress(QString()), QString());
    // A value whose closing quote is missing gives nothing, not the rest of the text.
    EXPECT_EQ(ServiceAddress(QStringLiteral("<wsdl:definitions><wsdl:service><wsdl:port>"
                                            "<soap:address location=\"https://a/b></wsdl:port>")),
              QString());
}

TEST(ProjectService, EnvelopeKeepsEveryValueAsItIs)
{
    ProjectRequest request;
    request.chamberNumber = 7;
    request.workstationNumber = 3;
    request.chamberKey = "k&y<1>\"2'";
    request.account = QStringLiteral("Иванов & <Ко>");
    request.password = QStringLiteral("p\"a'ss&<w>]]>");
    request.programUser = QStringLiteral("Эксперт \"Первый\"");
    request.userName = QStringLiteral("user&name");
    request.projectNumber = 2147483647;
    const QByteArray envelope = ProjectEnvelope(QStringLiteral("http://zuv.example/a?b&amp;c"), request);

    EXPECT_TRUE(envelope.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>")) << envelope.constData();
    pugi::xml_document document;
    ASSERT_TRUE(document.load_buffer(envelope.constData(), size_t(envelope.size())));
    const pugi::xml_node root = document.document_element();
    EXPECT_STREQ(root.name(), "soap:Envelope");
    EXPECT_STREQ(root.attribute("xmlns:soap").value(), "http://schemas.xmlsoap.org/soap/envelope/");
    EXPECT_STREQ(root.attribute("xmlns:xsi").value(), "http://www.w3.org/2001/XMLSchema-instance");
    EXPECT_STREQ(root.attribute("xmlns:xsd").value(), "http://www.w3.org/2001/XMLSchema");
    const pugi::xml_node get = root.child("soap:Body").child("get");
    EXPECT_STREQ(get.attribute("xmlns").value(), "http://zuv.example/a?b&c");
    const std::pair<const char *, QString> values[] = {
        {"dovNumb", "7"},
        {"armNumb", "3"},
        {"dovKey", "k&y<1>\"2'"},
        {"expertLogin", request.account},
        {"expertPaswd", request.password},
        {"expertName", request.programUser},
        {"userLogin", request.userName},
        {"certNumber", "2147483647"},
    };
    QStringList order;
    for (const pugi::xml_node &child : get.children())
        order << QString::fromUtf8(child.name());
    EXPECT_EQ(order, (QStringList{"dovNumb", "armNumb", "dovKey", "expertLogin", "expertPaswd", "expertName",
                                  "userLogin", "certNumber"}));
    for (const auto &[element, value] : values)
        EXPECT_EQ(QString::fromUtf8(get.child_value(element)), value) << element;
}
