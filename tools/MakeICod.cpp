// Writes a workstation file (i.cod) from plain values, enciphered with the
// built-in key, for tests and demo data folders.
//
//   MakeICod --out FILE --chamber N --workstation N --key KEY --adr URL --port N
//            [--users-old True|False] [--ver N] [--lang CODE NAME CITY]... [--plain]
//
// --plain writes the XML without enciphering it. A chamber key the programs
// cannot encipher with (shorter than 32 bytes) is refused: nothing is written
// and the exit status is 1.
#include "obDCPcrypt.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QCoreApplication>
#include <QStringList>

#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

struct Language {
    QString code, name, city;
};

struct Values {
    QString out;
    QString chamber, workstation, key, adr, port;
    QString usersOld = QStringLiteral("False");
    QString ver = QStringLiteral("1");
    QList<Language> languages;
    bool plain = false;
};

[[noreturn]] void Usage(const QString &problem)
{
    std::fprintf(stderr,
                 "%s\nusage: MakeICod --out FILE --chamber N --workstation N --key KEY --adr URL --port N\n"
                 "                [--users-old True|False] [--ver N] [--lang CODE NAME CITY]... [--plain]\n",
                 problem.toUtf8().constData());
    std::exit(2);
}

Values ParseArguments(const QStringList &args)
{
    Values values;
    const auto take = [&](qsizetype &i, int count) {
        if (i + count >= args.size())
            Usage(args[i] + QStringLiteral(" needs ") + QString::number(count) + QStringLiteral(" value(s)"));
        QStringList taken = args.mid(i + 1, count);
        i += count;
        return taken;
    };
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &option = args[i];
        if (option == QLatin1String("--out")) values.out = take(i, 1)[0];
        else if (option == QLatin1String("--chamber")) values.chamber = take(i, 1)[0];
        else if (option == QLatin1String("--workstation")) values.workstation = take(i, 1)[0];
        else if (option == QLatin1String("--key")) values.key = take(i, 1)[0];
        else if (option == QLatin1String("--adr")) values.adr = take(i, 1)[0];
        else if (option == QLatin1String("--port")) values.port = take(i, 1)[0];
        else if (option == QLatin1String("--users-old")) values.usersOld = take(i, 1)[0];
        else if (option == QLatin1String("--ver")) values.ver = take(i, 1)[0];
        else if (option == QLatin1String("--plain")) values.plain = true;
        else if (option == QLatin1String("--lang")) {
            const QStringList language = take(i, 3);
            values.languages.append({language[0], language[1], language[2]});
        } else {
            Usage(QStringLiteral("unknown argument ") + option);
        }
    }
    if (values.out.isEmpty() || values.chamber.isEmpty() || values.workstation.isEmpty() || values.key.isEmpty()
        || values.adr.isEmpty() || values.port.isEmpty())
        Usage(QStringLiteral("--out, --chamber, --workstation, --key, --adr and --port are required"));
    return values;
}

QByteArray WorkstationXml(const Values &values)
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = document.append_child("icod");
    root.append_attribute("Name") = "i.cod";
    root.append_attribute("Ver") = values.ver.toUtf8().constData();
    const auto child = [&](const char *name, const QString &text) {
        root.append_child(name).text().set(text.toUtf8().constData());
    };
    child("for", QStringLiteral("TessalForm"));
    child("dovNumber", values.chamber);
    child("NumLocale", values.workstation);
    child("dovKey", values.key);
    child("adr", values.adr);
    child("port", values.port);
    child("usersOld", values.usersOld);
    pugi::xml_node languages = root.append_child("L");
    for (const Language &language : values.languages) {
        pugi::xml_node node = languages.append_child("Lang");
        node.append_attribute("LangSymb") = language.code.toUtf8().constData();
        node.append_attribute("dovName") = language.name.toUtf8().constData();
        node.append_attribute("dovCity") = language.city.toUtf8().constData();
    }
    std::ostringstream out;
    document.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return QByteArray::fromStdString(out.str());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const Values values = ParseArguments(QCoreApplication::arguments());
    try {
        CheckCipherKey(values.key.toUtf8());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "--key: %s\n", ExceptionText(e).toUtf8().constData());
        return 1;
    }
    try {
        QByteArray content = WorkstationXml(values);
        if (!values.plain)
            EncryptStream(content);
        WriteFileAtomic(values.out, content);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", ExceptionText(e).toUtf8().constData());
        return 1;
    }
    return 0;
}
