#include "FakeCentralServer.h"
#include "GGDateTime.h"
#include "MultipartFormData.h"
#include "MultipartParsing.h"
#include "qlMsInternet.h"

#include <QBuffer>

#include <gtest/gtest.h>
#include <optional>

namespace {
using multipart_parsing::ParseMultipart;

struct PartSpec {
    QByteArray name;
    QByteArray value;          // a value part when fileName is empty
    QByteArray fileName;
    QByteArray contentType;
    QByteArray content;        // bytes of a file part
};

QByteArray Binary(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(char(i % 5 == 0 ? 0 : (i * 37) % 256));
    return bytes;
}

const QList<QPair<const char *, QList<PartSpec>>> &PartSets()
{
    static const QList<QPair<const char *, QList<PartSpec>>> sets = {
        {"two values", {{"a", "1", "", "", ""}, {"b", "2", "", "", ""}}},
        {"file with a folder", {{"file", "", "/home/op/data/0420000123_0000123", "application/octet-stream", Binary(70000)}}},
        {"values and files",
         {{"tppn", "12", "", "", ""},
          {"plcn", "3", "", "", ""},
          {"file", "", "scan.pdf", "application/pdf", Binary(100)},
          {"comment", "", "", "", ""},
          {"empty", "", "empty.txt", "text/plain", ""}}},
        {"no parts", {}},
    };
    return sets;
}

void Fill(TMultiPartFormDataStream &stream, const QList<PartSpec> &parts)
{
    for (const PartSpec &spec : parts) {
        TFormDataField &field = stream.Fields().Add();
        field.FieldName = spec.name;
        field.Value = spec.value;
        if (!spec.fileName.isEmpty()) {
            auto *buffer = new QBuffer;
            buffer->setData(spec.content);
            buffer->open(QIODevice::ReadOnly);
            field.Source = buffer;
            field.OwnsSource = true;
            field.FileName = spec.fileName;
            field.ContentType = spec.contentType;
        }
    }
}

// The body written out by hand.
QByteArray HandBuilt(const QByteArray &boundary, const QList<PartSpec> &parts)
{
    QByteArray body;
    for (const PartSpec &spec : parts) {
        body += "--" + boundary + "\r\n";
        if (spec.fileName.isEmpty()) {
            body += "Content-Disposition: form-data; name=\"" + spec.name + "\"\r\n\r\n" + spec.value + "\r\n";
        } else {
            const QByteArray bare = spec.fileName.mid(spec.fileName.lastIndexOf('/') + 1);
            body += "Content-Disposition: form-data; name=\"" + spec.name + "\"; filename=\"" + bare + "\"\r\n";
            body += "Content-Type: " + spec.contentType + "\r\n\r\n" + spec.content + "\r\n";
        }
    }
    return body + "--" + boundary + "--\r\n";
}

QByteArray ReadInChunks(TMultiPartFormDataStream &stream, qint64 chunk)
{
    QByteArray body;
    QByteArray buffer(chunk, '\0');
    for (;;) {
        const qint64 n = stream.Read(buffer.data(), chunk);
        EXPECT_LE(n, chunk);
        if (n <= 0)
            return body;
        body.append(buffer.constData(), n);
    }
}

} // namespace

TEST(MultipartBody, BoundaryFromTheClock)
{
    SetClock([] { return QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9, 45)); });
    TMultiPartFormDataStream stream;
    SetClock(nullptr);
    EXPECT_EQ(stream.Boundary(), QByteArray("--------030526140709045"));
    EXPECT_EQ(stream.ContentType(), QByteArray("multipart/form-data; boundary=--------030526140709045"));
    EXPECT_EQ(stream.ClosingLine(), QByteArray("----------030526140709045--\r\n"));

    Fill(stream, PartSets()[0].second);
    const QByteArray b = stream.Boundary();
    EXPECT_EQ(ReadInChunks(stream, 5),
              "--" + b + "\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n"
              "--" + b + "\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\n2\r\n--" + b + "--\r\n");
}

TEST(MultipartBody, SameBytesWhateverTheReadSize)
{
    for (const auto &[name, parts] : PartSets()) {
        SCOPED_TRACE(name);
        TMultiPartFormDataStream stream;
        Fill(stream, parts);
        const QByteArray expected = HandBuilt(stream.Boundary(), parts);
        EXPECT_EQ(stream.Size(), expected.size());
        EXPECT_EQ(stream.Seek(0, SeekOrigin::End), expected.size());
        for (const qint64 chunk : {1, 7, 32768}) {
            EXPECT_EQ(ReadInChunks(stream, chunk), expected) << "chunk " << chunk;
            EXPECT_EQ(stream.Position(), expected.size());
            EXPECT_EQ(stream.Seek(0, SeekOrigin::Beginning), 0); // rewind: the same body again
        }
        const auto parsed = ParseMultipart(expected, stream.Boundary());
        ASSERT_TRUE(parsed.has_value());
        ASSERT_EQ(parsed->size(), parts.size());
        for (qsizetype i = 0; i < parts.size(); ++i) {
            EXPECT_EQ((*parsed)[i].name, parts[i].name);
            EXPECT_EQ((*parsed)[i].content, parts[i].fileName.isEmpty() ? parts[i].value : parts[i].content);
        }
    }
}

TEST(MultipartBody, QuotesAndLineBreaksInNamesCannotBreakTheHeader)
{
    struct Case {
        const char *name;
        PartSpec part;
        QByteArray sentName, sentFileName;
    };
    const Case cases[] = {
        {"quote in a field name", {"a\"b", "1", "", "", ""}, "a%22b", ""},
        {"header smuggled into a field name", {"a\r\nX-Evil: 1", "1", "", "", ""}, "a%0D%0AX-Evil: 1", ""},
        {"quote in a file name", {"file", "", "x\"; name=\"evil.txt", "text/plain", "abc"}, "file",
         "x%22; name=%22evil.txt"},
        {"line breaks in a file name", {"file", "", "a\r\n\r\nb.txt", "text/plain", "abc"}, "file",
         "a%0D%0A%0D%0Ab.txt"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        TMultiPartFormDataStream stream;
        Fill(stream, {k.part, {"after", "2", "", "", ""}});
        const QByteArray body = ReadInChunks(stream, 32768);
        EXPECT_EQ(body.size(), stream.Size());
        const auto parsed = ParseMultipart(body, stream.Boundary());
        ASSERT_TRUE(parsed.has_value());
        ASSERT_EQ(parsed->size(), 2);
        EXPECT_EQ((*parsed)[0].name, k.sentName);
        EXPECT_EQ((*parsed)[0].fileName, k.sentFileName);
        EXPECT_EQ((*parsed)[0].content, k.part.fileName.isEmpty() ? k.part.value : k.part.content);
        EXPECT_EQ((*parsed)[1].name, QByteArray("after"));
        EXPECT_FALSE(body.contains("X-Evil: 1\r\n"));
    }
}

TEST(MultipartBody, SeeksOtherThanRewindDoNotMove)
{
    TMultiPartFormDataStream stream;
    Fill(stream, PartSets()[2].second);
    const QByteArray expected = HandBuilt(stream.Boundary(), PartSets()[2].second);
    QByteArray head(10, '\0');
    ASSERT_EQ(stream.Read(head.data(), 10), 10);
    EXPECT_EQ(stream.Seek(-5, SeekOrigin::Current), 10);
    EXPECT_EQ(stream.Seek(3, SeekOrigin::Beginning), 10);
    EXPECT_EQ(stream.Seek(0, SeekOrigin::End), expected.size());
    EXPECT_EQ(stream.Size(), expected.size());
    EXPECT_EQ(head + ReadInChunks(stream, 7), expected);
    EXPECT_EQ(stream.Write("x", 1), 0);
}

TEST(MultipartBody, UploadedAsDeclared)
{
    const QList<PartSpec> &parts = PartSets()[2].second;
    struct Case { const char *name; bool demandCertificate; };
    for (const Case &k : {Case {"plain", false}, Case {"after a certificate demand", true}}) {
        SCOPED_TRACE(k.name);
        FakeCentralServer server(FakeCentralServer::Options {k.demandCertificate, false});
        server.addRoute("POST", "/cdb/upload", FakeAnswer::text("<r><certificate status=\"0\"/></r>"));
        qputenv("TESSAL_CERT_DIR", TestPki::instance().makeStore({TestPki::instance().clientP12}).toLocal8Bit());

        THttpsConnection c;
        c.ExtraCaFile = TestPki::instance().caFile;
        c.CertificateSubject = QStringLiteral("Certificate of origin");
        c.SetServerName(server.host());
        c.Port = server.port();
        c.Path = QStringLiteral("/cdb/upload");
        Fill(c.FormData(), parts);
        c.Headers = "Content-Type: " + c.FormData().ContentType();
        qint64 portions = 0;
        c.OnSizePortion = [&portions](THttpsConnection *, qint64 size) { portions += size; };

        ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("POST")));
        ASSERT_TRUE(c.SendHttpsRequestBody(c.FormData())) << c.ErrorCode;
        EXPECT_EQ(c.ReadAnswerText(), QStringLiteral("<r><certificate status=\"0\"/></r>"));
        qunsetenv("TESSAL_CERT_DIR");

        const FakeRequest r = server.requests().value(0);
        EXPECT_EQ(r.header("Content-Length"), QByteArray::number(c.FormData().Size()));
        EXPECT_EQ(r.body.size(), c.FormData().Size());
        EXPECT_EQ(r.body, HandBuilt(c.FormData().Boundary(), parts));
        EXPECT_FALSE(r.hasHeader("Expect"));
        if (!k.demandCertificate) {
            EXPECT_EQ(portions, c.FormData().Size());
        }

        const auto parsed = ParseMultipart(r.body, c.FormData().Boundary());
        ASSERT_TRUE(parsed.has_value());
        ASSERT_EQ(parsed->size(), 5);
        EXPECT_EQ((*parsed)[0].content, QByteArray("12"));
        EXPECT_EQ((*parsed)[2].fileName, QByteArray("scan.pdf"));
        EXPECT_EQ((*parsed)[2].contentType, QByteArray("application/pdf"));
        EXPECT_EQ((*parsed)[2].content, Binary(100));
        EXPECT_EQ((*parsed)[4].fileName, QByteArray("empty.txt"));
        EXPECT_EQ((*parsed)[4].content, QByteArray());
    }
}

TEST(MultipartBody, UnreadableSourceRaises)
{
    TMultiPartFormDataStream stream;
    TFormDataField &field = stream.Fields().Add();
    field.FieldName = "file";
    field.FileName = "x.bin";
    auto *closed = new QBuffer; // never opened
    field.Source = closed;
    field.OwnsSource = true;
    char buffer[64];
    EXPECT_THROW(while (stream.Read(buffer, sizeof buffer) > 0) {}, AppError);
}
