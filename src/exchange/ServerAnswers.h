#pragma once
// Reading the answers of the central database server: the error answer, the
// hello answer with its checks, the version answer, and the line breaks of
// the messages the server sends to the operator. Element and attribute names
// are compared case-sensitively; every answer is UTF-8 XML.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class THttpsConnection;
namespace pugi {
class xml_document;
}

// Loads an answer (UTF-8 XML) into Document; raises AppError with the
// parser's reason when it is not XML.
void LoadAnswerXml(pugi::xml_document &document, const QByteArray &xml);

// The reason of an error answer (root `dataPacket` whose `name` is
// "authfailed"): the text of its `message`, or " " when that is missing or
// empty. Empty text for any other well-formed XML. An answer that is not XML
// raises AppError.
QString GetErrorFromServer(const QString &answer);
// The same, and an error answer recorded (audit failure, Category,
// 0x40000101) with the one string RecordText + the answer.
QString RecordRefusal(const QString &answer, const QString &recordText, uint16_t category);
// The first look at a hello answer: the line for the operator when the
// exchange ends here, empty text when the answer may be used. An empty answer
// gives "Сервер вернул пустую строку на hello"; an error answer is recorded as
// RecordRefusal does, with Location + " /sync/hello (DM.GetErrorFromServer) ",
// and gives its reason. An answer that is not XML raises AppError.
QString HelloStopLine(const QString &answer, const QString &location, uint16_t category);
// The same as GetErrorFromServer for an answer that normally is binary (the enciphered workstation
// file): an answer that is not XML gives empty text.
QString ErrorInBinaryAnswer(const QByteArray &answer);

// Every line break of a server message as CR LF: a lone LF, a lone CR and
// CR LF each become CR LF, and a blank line made of two LF collapses.
QString NormaliseMessageLineBreaks(QString text);

// The attributes of a `cdb` or `sim` element as the server wrote them.
struct ServerAttributes {
    QByteArray host;
    QByteArray port;
    QByteArray path;
};

struct HelloAnswer {
    QStringList messages;         // the root's `message` children, line breaks normalised
    QList<ServerAttributes> cdb;  // central database servers, in order of preference
    QList<ServerAttributes> sim;  // project services
};

// What the records of a refused hello answer say beside the event id: each
// caller keeps its own texts.
struct HelloRecords {
    QString location;         // first string of every record
    QStringList noProtocol;   // the strings after Location when `exchangeProtocol` is missing
    QString answerForRecords; // the answer as the "not XML" record shows it

    // "\"hello\"exchangeProtocol" and the answer: TDM.LoadNewICod and
    // Restavo's workstation-file and version operations.
    static HelloRecords withAnswer(const QString &location, const QString &answer);
    // "\"hello\"" and "exchangeProtocol": TDM.FindCdbServer.
    static HelloRecords withNodeName(const QString &location, const QString &answer);
};

// Checks a hello answer: XML, an `exchangeProtocol` child of the root whose
// `version` is the integer 2. A refusal writes its record and raises AppError
// with the text the operator is shown.
HelloAnswer CheckHelloAnswer(const QString &answer, const HelloRecords &records);

// A port number as a server or a file gives it: an integer from 1 to 65535;
// anything else raises AppError.
int PortNumber(const QByteArray &text);

// Points the connection at a central database server (host and port) and
// returns its normalised base path. A host that is no host name, or a port
// that is not an integer from 1 to 65535, raises AppError.
QByteArray UseCdbServer(THttpsConnection &connection, const ServerAttributes &server);

// One `version` element of the version answer.
struct OfferedVersion {
    QByteArray name;    // "program", "restorator" or "support"
    QByteArray url;     // path of the package on the server
    QByteArray version; // dotted for "program", an integer for the others
};

struct VersionAnswer {
    bool hasCertificate = false; // a server without it is no usable central database server
    QString lastDate;            // certificate/lastdate: the last day the server holds; empty when none
    bool hasVersions = false;
    QList<OfferedVersion> versions;
};

// Reads a version answer; an answer that is not XML raises AppError.
VersionAnswer ReadVersionAnswer(const QString &answer);

// The update item of one offered version, as the update list, the download
// step and the updater's command line carry it: name + "%" + url + "*" +
// version. Read back, the name is the text before the first "%", the url the
// text between the first "%" and the first "*", the version what follows the
// first "*"; a part whose marks are missing is empty.
QByteArray UpdateItemText(const OfferedVersion &offered);
OfferedVersion ReadUpdateItem(const QByteArray &item);

// The most a delivered workstation file may hold.
constexpr qint64 MaxWorkstationFileSize = 1 << 20;
// Checks a delivered workstation file in memory: deciphers a copy with the
// built-in key and reads it with every check of the workstation file. A file
// that fails raises AppError; nothing is written.
struct WorkstationFile;
WorkstationFile CheckDeliveredWorkstationFile(const QByteArray &data);
