#pragma once
// What the benchmarks share: a workstation folder (i.cod, Package.cod) whose
// chamber key matches the generated database, the database on the program's
// own schema with certificates of three goods lines and realistic Cyrillic
// texts, the sqlite3 command line timed on the same file, and medians.
#include "CommonTessal.h"
#include "DatabaseSchema.h"
#include "DataTessal.h"
#include "ListSql.h"
#include "SqliteDatabase.h"
#include "obDCPcrypt.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <functional>
#include <vector>

namespace Bench {

// Long enough for the chamber cipher, so that the offline file and the
// restore can be made from a generated folder.
inline const QByteArray ChamberKey = "bench-chamber-key-of-32-bytes-00";
// The administrator of the generated data: some certificates are theirs.
inline const QString Administrator = QString::fromUtf8("Aдминистратор");
constexpr qint64 CertificatesPerDay = 300;

inline void WriteFile(const QString &name, const QByteArray &data)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(name));
}

// data/i.cod (chamber 7, languages ru and en, no users file yet) and data/Package.cod.
inline void WriteProgramFolder(const QString &home)
{
    QDir().mkpath(home + "/data");
    QByteArray icod = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><icod Name=\"i.cod\" Ver=\"2\"><for>TessalForm</for>"
                      "<dovNumber>7</dovNumber><NumLocale>3</NumLocale><dovKey>" + ChamberKey + "</dovKey>"
                      "<adr>cdb.example.org</adr><port>8443</port><usersOld>False</usersOld>"
                      "<L><Lang LangSymb=\"ru\" dovName=\"Торгово-промышленная палата города Новосибирска\" "
                      "dovCity=\"Новосибирск\"/><Lang LangSymb=\"en\" dovName=\"Chamber of Commerce and Industry "
                      "of Novosibirsk\" dovCity=\"Novosibirsk\"/></L></icod>";
    EncryptStream(icod);
    WriteFile(home + "/data/i.cod", icod);
    WriteFile(home + "/data/Package.cod",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
              "<FIELD attrname=\"lang\" fieldtype=\"string\" WIDTH=\"2\"/>"
              "<FIELD attrname=\"name\" fieldtype=\"string.uni\" WIDTH=\"128\"/></FIELDS><PARAMS/></METADATA>"
              "<ROWDATA><ROW lang=\"ru\" name=\"ящик\"/><ROW lang=\"ru\" name=\"паллета\"/>"
              "<ROW lang=\"en\" name=\"box\"/></ROWDATA></DATAPACKET>");
}

inline qint64 TodayDayNumber()
{
    return QDate::currentDate().toJulianDay() - 2415019;
}

inline void WriteOption(SqliteDatabase &db, const QString &name, const QString &value)
{
    SqliteStatement insert(db, "INSERT INTO Options (UserName,ParamName,Value) VALUES (:u,:p,:v)");
    insert.bindWideBlob("u", CommonUser);
    insert.bindWideBlob("p", name);
    insert.bindWideBlob("v", value);
    insert.execute();
}

// The other tables and the options; mcod itself is created by the caller's statement.
inline void CreateSchema(SqliteDatabase &db, const QString &createMcod, int version)
{
    SqliteTransaction transaction(db);
    db.exec(createMcod);
    const QStringList all = Schema::CertificateTables();
    for (const QString &statement : all.mid(1))
        db.exec(statement);
    db.exec(Schema::CreateOptions);
    WriteOption(db, "Key", QString::fromUtf8(ChamberKey));
    WriteOption(db, "LastSync", QString::number(TodayDayNumber()));
    WriteOption(db, "VersionSQB", QString::number(version));
    SqliteStatement phrase(db, "INSERT INTO Phrase (lang,stype,name) VALUES (:l,:s,:n)");
    const struct { const char *lang; int stype; const char *name; } phrases[] = {
        {"ru", 41, "Россия"}, {"en", 41, "Russia"}, {"ru", 42, "Торгово-промышленная палата города Новосибирска"},
        {"ru", 43, "Новосибирск"}, {"ru", 44, "Новосибирск"}, {"ru", 45, "Казахстан"}, {"en", 20, "Russia"},
        {"ru", 20, "Россия"}, {"en", 42, "Chamber of Commerce and Industry of Novosibirsk"},
        {"en", 43, "Novosibirsk"}, {"en", 44, "Novosibirsk"}, {"en", 45, "Kazakhstan"}};
    for (const auto &p : phrases) {
        phrase.reset();
        phrase.bindText("l", p.lang);
        phrase.bindInteger("s", p.stype);
        phrase.bindWideBlob("n", QString::fromUtf8(p.name));
        phrase.execute();
    }
    transaction.commit();
}

inline void CreateVersion4Schema(SqliteDatabase &db)
{
    CreateSchema(db, Schema::CreateMcod, Schema::CurrentVersion);
}

enum class Version { Three, Four };

// A text from a word list, picked by the number so every row differs.
inline QString Pick(const char *const *words, int count, qint64 n)
{
    return QString::fromUtf8(words[n % count]);
}

const char *const Firms[] = {"ООО «Сибирская лесная компания»", "АО «Новосибирский завод химконцентратов»",
                             "ООО «Торговый дом Алтайские сыры»", "ЗАО «Сибирский приборостроительный завод»",
                             "ООО «Кузбасская угольная компания»", "АО «Бердский электромеханический завод»",
                             "ООО «Агрохолдинг Степной»", "ООО «Обские мукомольные мельницы»"};
const char *const Streets[] = {"ул. Ленина", "Красный проспект", "ул. Кирова", "ул. Большевистская",
                               "ул. Станционная", "Октябрьская магистраль", "ул. Фрунзе"};
const char *const Buyers[] = {"ТОО «Астана Трейд Компани»", "ООО «Ташкент Импэкс»", "Bayer Handels GmbH",
                              "ТОО «Алматинский торговый дом»", "Harbin Northern Trading Co., Ltd.",
                              "ОАО «Минский оптовый склад»", "Uzbek Agro Import LLC"};
const char *const Countries[] = {"Казахстан", "Узбекистан", "Германия", "Китай", "Беларусь", "Монголия"};
const char *const Goods[] = {
    "Пиломатериалы хвойных пород (сосна обыкновенная), обрезные, сухие, сорт 1-3, сечение 50х150 мм, длина 6 м",
    "Мука пшеничная хлебопекарная высшего сорта, ГОСТ 26574-2017, в мешках полипропиленовых по 50 кг",
    "Сыр полутвёрдый «Российский», массовая доля жира в сухом веществе 50%, в вакуумной упаковке",
    "Приборы для измерения давления (манометры показывающие) МП-100, класс точности 1,5, в комплекте с паспортами",
    "Уголь каменный марки ДПК, фракция 50-200 мм, зольность не более 12%, насыпью в полувагонах",
    "Электродвигатели асинхронные трёхфазные АИР100L4, мощность 4 кВт, 1500 об/мин, IP54"};
const char *const Experts[] = {"Aдминистратор", "Петрова Анна Сергеевна", "Иванов Сергей Николаевич",
                               "Кузнецова Ольга Викторовна", "Смирнов Дмитрий Александрович", "Попова Елена Игоревна"};

// Certificates ids first .. first + count - 1, newest last, CertificatesPerDay a day up to today,
// in one transaction; progress every 10,000.
inline void FillCertificates(SqliteDatabase &db, qint64 first, qint64 count, Version version,
                             const std::function<void(qint64)> &progress = {})
{
    const QStringList all = Schema::McodColumns();
    const QStringList columns = version == Version::Four ? all : all.mid(0, Schema::Version3ColumnCount);
    QStringList values;
    for (const QString &c : columns)
        values << (c == "pFilter" ? QString("'TRUE'") : ":" + c);
    SqliteTransaction transaction(db);
    SqliteStatement head(db, "INSERT INTO mcod (" + columns.join(',') + ") VALUES (" + values.join(',') + ")");
    SqliteStatement line(db, Schema::InsertDcod);
    const qint64 today = TodayDayNumber();
    const qint64 last = first + count - 1;
    qint64 numberInYear = 0, certRu = 0, certEn = 0;
    int previousYearDigit = -1;
    const int statuses[] = {7, 7, 7, 7, 7, 7, 5, 8, 9, 10};
    for (qint64 id = first; id <= last; ++id) {
        const qint64 day = today - (last - id) / CertificatesPerDay;
        const int yearDigit = QDate(1899, 12, 30).addDays(day).year() % 10;
        if (yearDigit != previousYearDigit) {
            previousYearDigit = yearDigit;
            numberInYear = 0;
        }
        ++numberInYear;
        const bool english = id % 5 == 0;
        const qint64 certNo = english ? ++certEn : ++certRu;
        const int status = last - id < 20 ? 6 : statuses[id % 10];
        const QString firm = Pick(Firms, 8, id) + QString::fromUtf8(" № %1").arg(id % 997);
        const QString address = QString::fromUtf8("630%1, Россия, г. Новосибирск, %2, д. %3, офис %4")
                                    .arg(id % 1000, 3, 10, QChar('0'))
                                    .arg(Pick(Streets, 7, id / 7))
                                    .arg(id % 211 + 1)
                                    .arg(id % 57 + 1);
        const QString buyer = Pick(Buyers, 7, id / 3);
        const QString country = Pick(Countries, 6, id / 3);
        head.reset();
        head.clearBindings();
        head.bindInteger("id", id);
        head.bindInteger("status", status);
        head.bindInteger("CertNo", certNo);
        // "%1007%2" would read as the placeholders %10 and %2
        head.bindText("ReferenceNo", QString::number(yearDigit) + QStringLiteral("007")
                                         + QString("%1").arg(numberInYear % 1000000, 6, 10, QChar('0')));
        head.bindInteger("GNum", yearDigit);
        head.bindInteger("NumNum", numberInYear % 1000000);
        head.bindText("Language", english ? "en" : "ru");
        head.bindInteger("DateIssued", day);
        head.bindText("Expert", QString::fromUtf8(Experts[id % 6]));
        head.bindWideBlob("Sender", firm + "\r\n" + address);
        head.bindWideBlob("Exporter", firm + "\r\n" + address + QString::fromUtf8("\r\nИНН 54%1").arg(id % 100000000, 8, 10, QChar('0')));
        head.bindWideBlob("Recipient", buyer + "\r\n" + country + QString::fromUtf8(", ул. Абая, д. %1").arg(id % 300));
        head.bindWideBlob("Importer", buyer + "\r\n" + country);
        head.bindWideBlob("transport", QString::fromUtf8("Железнодорожным транспортом, вагон № %1, ст. Новосибирск-Главный — ст. назначения").arg(50000000 + id % 9999999));
        head.bindWideBlob("OfficialNote", QString());
        head.bindText("Country5", QString::fromUtf8("Россия"));
        head.bindWideBlob("AdditionalInfo", QString::fromUtf8("Контракт № %1/СТ от 12.01.2021, спецификация № %2").arg(id % 4000).arg(id % 17 + 1));
        head.bindWideBlob("DovName", QString::fromUtf8("Союз «Новосибирская городская торгово-промышленная палата», 630005, г. Новосибирск, ул. Фрунзе, д. 5"));
        head.bindText("City11", QString::fromUtf8("Новосибирск"));
        head.bindInteger("Date11", day);
        head.bindText("Country12", country);
        head.bindText("City12", QString::fromUtf8("Новосибирск"));
        head.bindInteger("Date12", day);
        if (status == 8 || status == 9 || status == 10) {
            head.bindInteger("BadDate", day);
            head.bindText("BadExpert", QString::fromUtf8(Experts[(id + 1) % 6]));
        }
        head.bindInteger("LastDate", day);
        for (int f = 1; f <= 12; ++f)
            head.bindInteger(QString("fSize%1").arg(f), 10);
        if (version == Version::Four) {
            head.bindWideBlob("actNumber14", QString::fromUtf8("АЭ-%1").arg(id));
            head.bindInteger("actDate14", day);
            head.bindInteger("actPresent14", 0);
        }
        head.execute();
        for (int order = 1; order <= 3; ++order) {
            line.reset();
            line.bindInteger("idM", id);
            line.bindInteger("dOrder", order);
            line.bindWideBlob("d7Num", QString::number(order));
            line.bindWideBlob("d8Description", Pick(Goods, 6, id + order) + QString::fromUtf8(", партия № %1, код ТН ВЭД %2").arg(id * 3 + order).arg(4400000000 + id % 99999));
            line.bindWideBlob("d9Count", QString::number(id % 40 + order));
            line.bindWideBlob("d9Package", QString::fromUtf8(order == 2 ? "паллета" : "ящик"));
            line.bindWideBlob("d10Weight", QString::number(1000 + id % 20000));
            line.bindWideBlob("d10Q", QString::fromUtf8("кг"));
            line.execute();
        }
        if (progress && (id - first + 1) % 10000 == 0)
            progress(id - first + 1);
    }
    transaction.commit();
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Milliseconds the sqlite3 command line takes for the statements, its process start included.
inline double CommandLineMs(const QString &database, const QString &sql)
{
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    cli.start(QStringLiteral("sqlite3"), {QStringLiteral("-cmd"), QStringLiteral(".timeout 3000"), database, sql});
    if (!cli.waitForFinished(600000) || cli.exitCode() != 0)
        qFatal("sqlite3 failed: %s", cli.readAllStandardError().constData());
    return timer.nsecsElapsed() / 1e6;
}

} // namespace Bench

namespace Bench {

// A statement as the sqlite3 command line takes it: every parameter's value
// written in, longest names first so no name eats a longer one.
inline QString InlineSql(QString sql, const QList<QPair<QString, QVariant>> &values)
{
    QList<QPair<QString, QVariant>> sorted = values;
    std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
    for (const auto &[name, value] : sorted) {
        const QString text = value.typeId() == QMetaType::QString
                                 ? "'" + value.toString().replace("'", "''") + "'"
                                 : value.toString();
        sql.replace(":" + name, text);
    }
    return sql + ";\n";
}

// The list query's page statement as it runs now: its window and filter values written in.
inline QString PageSql(const SqlQuery &list)
{
    QList<QPair<QString, QVariant>> values = {{"tessal_row_limit", list.rowLimit()},
                                              {"tessal_row_offset", list.rowOffset()}};
    if (list.filtered()) {
        const SqlParams &filter = list.filter().params;
        for (int i = 0; i < filter.count(); ++i)
            values << qMakePair(filter.at(i).name(), filter.at(i).value());
    }
    return InlineSql(list.selectSql(), values);
}

// The list's count as the program asks it, values written in.
inline QString CountSql(const SqlQuery &list)
{
    QList<QPair<QString, QVariant>> values;
    const SqlFragment none;
    const SqlFragment &filter = list.filtered() ? list.filter() : none;
    for (int i = 0; i < filter.params.count(); ++i)
        values << qMakePair(filter.params.at(i).name(), filter.params.at(i).value());
    return InlineSql(ListCountSql(App().ListQueryView, filter), values);
}

// A data module on the folder's database, logged on as the administrator,
// with a blank range and this run holding the interlock.
inline std::unique_ptr<TDM> OpenModule(const QString &home)
{
    TessalState &app = App();
    app.CurrentUserName = Administrator;
    app.CurrentUserId = 1;
    auto dm = std::make_unique<TDM>(home);
    app.NumberRangeMin = 1;
    app.NumberRangeMax = 999999;
    dm->LoadAll();
    if (app.StopFlag)
        qFatal("the database of %s did not open", qPrintable(home));
    return dm;
}

// The peak resident memory (VmHWM) of a process, in MB; 0: this process.
// -1 when it cannot be read.
inline double PeakResidentMb(qint64 pid = 0)
{
    QFile status(pid ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

inline double MsSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

inline void PrintLine(const char *what, double program, double cli)
{
    std::printf("%-44s %9.1f ms   sqlite3 %9.1f ms   ratio %5.2f\n", what, program, cli, cli > 0 ? program / cli : 0.0);
}

// The main of a benchmark over the folders named on its command line: the
// window layouts go to a temporary folder, not into the user's own; output
// line by line; each folder measured in turn.
template <class Application>
int ForEachFolder(int argc, char **argv, const char *name, const std::function<void(const QString &)> &measure)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("TESSAL_COMMON_CONFIG", config.filePath("common").toUtf8());
    Application app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder made by bench_make_database> ...\n", name);
        return 2;
    }
    for (int i = 1; i < argc; ++i)
        measure(QString::fromLocal8Bit(argv[i]));
    return 0;
}

} // namespace Bench
