// The multipart upload body, filled part by part and sent as it is produced.
#include "FakeCentralServer.h"
#include "FormDataParts.h"
#include "MultipartParsing.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using multipart_parsing::ParsedPart;

// The parts of a body sent with that Content-Type header.
std::optional<QList<ParsedPart>> PartsOf(const QByteArray &contentType, const QByteArray &body)
{
    const QByteArray marker = "multipart/form-data; boundary=";
    if (!contentType.startsWith(marker))
        return std::nullopt;
    return multipart_parsing::ParseMultipart(body, contentType.mid(marker.size()));
}

QByteArray Hundred()
{
    QByteArray bytes;
    for (int i = 0; i < 100; ++i)
        bytes.append(char(i * 7 + 3));
    bytes[10] = '\r';
    bytes[11] = '\n';
    return bytes;
}

} // namespace

TEST(FormDataParts, TotalIsTheSumOfThePartLengths)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("scan.pdf"));
    WriteWholeFile(file, Hundred());

    THttpsConnection c;
    TMultiPartFormDataStream &body = c.FormData();
    const qint64 afterFirst = AddValuePart(body, "tppn", "12");
    EXPECT_EQ(afterFirst, body.PartLength(body.Fields()[0]));
    const qint64 afterSecond = AddValuePart(body, "plcn", "3");
    EXPECT_EQ(afterSecond, afterFirst + body.PartLength(body.Fields()[1]));
    AddFilePart(body, "file", file, {});
    ASSERT_EQ(body.Fields().Count(), 3);
    EXPECT_EQ(body.Fields()[2].ContentType, QByteArray("application/pdf"));
    EXPECT_EQ(body.PartLength(body.Fields()[2]), body.Fields()[2].PartHeader().size() + 100 + 2);
    EXPECT_EQ(body.Size(), afterSecond + body.PartLength(body.Fields()[2]) + body.ClosingLine().size());

    // A file that cannot be opened adds nothing.
    EXPECT_THROW(AddFilePart(body, "file", dir.filePath(QStringLiteral("missing")), {}), AppError);
    EXPECT_EQ(body.Fields().Count(), 3);

    ClearParts(body);
    EXPECT_EQ(body.Fields().Count(), 0);
    EXPECT_EQ(body.Size(), body.ClosingLine().size());
    const qint64 total = AddValuePart(body, "a", "1");
    EXPECT_EQ(total, body.Size() - body.ClosingLine().size());
}

TEST(FormDataParts, ServerReadsBackEveryFieldAndTheFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Справка.PDF"));
    WriteWholeFile(file, Hundred());
    qputenv("TESSAL_CERT_DIR", TestPki::instance().makeStore({}).toLocal8Bit());

    FakeCentralServer server;
    server.addRoute("POST", "/sync/upload", FakeAnswer::text("<ok/>"));
    THttpsConnection c;
    c.ExtraCaFile = TestPki::instance().caFile;
    c.SetServerName(server.host());
    c.Port = server.port();
    c.Path = QStringLiteral("/sync/upload");
    TMultiPartFormDataStream &body = c.FormData();
    ClearParts(body);
    AddValuePart(body, "tppn", "12");
    AddValuePart(body, "plcn", "3");
    AddValuePart(body, "comment", QStringLiteral("два\r\nстроки").toUtf8());
    AddFilePart(body, "file", file, {});
    c.Headers = "Content-Type: " + body.ContentType();
    qint64 announced = -2, sent = 0;
    c.OnSizeResource = [&](THttpsConnection *, qint64 size) { announced = size; };
    c.OnSizePortion = [&](THttpsConnection *, qint64 size) { sent += size; };

    ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("POST")));
    ASSERT_TRUE(SendFileToHttpServer(c)) << c.ErrorCode;
    EXPECT_EQ(c.ReadAnswerText(), QStringLiteral("<ok/>"));
    qunsetenv("TESSAL_CERT_DIR");

    ASSERT_EQ(server.requests().size(), 1);
    const FakeRequest request = server.requests().first();
    EXPECT_EQ(announced, body.Size());
    EXPECT_EQ(sent, body.Size());
    EXPECT_EQ(request.body.size(), body.Size());
    EXPECT_EQ(request.header("Content-Length"), QByteArray::number(request.body.size()));
    EXPECT_FALSE(request.hasHeader("Expect"));
    EXPECT_FALSE(request.hasHeader("Transfer-Encoding"));

    const auto parts = PartsOf(request.header("Content-Type"), request.body);
    ASSERT_TRUE(parts.has_value()) << request.body.constData();
    const QList<ParsedPart> expected {
        {"tppn", {}, {}, "12"},
        {"plcn", {}, {}, "3"},
        {"comment", {}, {}, QStringLiteral("два\r\nстроки").toUtf8()},
        {"file", QStringLiteral("Справка.PDF").toUtf8(), "application/pdf", Hundred()},
    };
    EXPECT_EQ(*parts, expected);
}

TEST(FormDataParts, BodyGoesAgainFromItsStartWhenTheServerAsksForACertificate)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("copy"));
    WriteWholeFile(file, Hundred());
    qputenv("TESSAL_CERT_DIR", TestPki::instance().makeStore({TestPki::instance().clientP12}).toLocal8Bit());

    FakeCentralServer server({.requireClientCertificate = true});
    server.addRoute("POST", "/upload", FakeAnswer::text("<ok/>"));
    THttpsConnection c;
    c.ExtraCaFile = TestPki::instance().caFile;
    c.CertificateSubject = QStringLiteral("Certificate of origin");
    c.SetServerName(server.host());
    c.Port = server.port();
    c.Path = QStringLiteral("/upload");
    AddValuePart(c.FormData(), "tppn", "12");
    AddFilePart(c.FormData(), "file", file, {});
    c.Headers = "Content-Type: " + c.FormData().ContentType();
    ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("POST")));
    const bool sent = SendFileToHttpServer(c);
    qunsetenv("TESSAL_CERT_DIR");
    ASSERT_TRUE(sent) << c.ErrorCode;
    EXPECT_EQ(c.ReadAnswerText(), QStringLiteral("<ok/>"));

    ASSERT_EQ(server.requests().size(), 1);
    const FakeRequest request = server.requests().first();
    EXPECT_FALSE(request.clientSubject.isEmpty());
    const auto parts = PartsOf(request.header("Content-Type"), request.body);
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(*parts, (QList<ParsedPart> {{"tppn", {}, {}, "12"}, {"file", "copy", "application/octet-stream", Hundred()}}));
}
