// The project of serv.xml as the editor takes it: which element fills which
// box, the font sizes, the date, the goods lines, and the answers that hold
// no project.
#include "FakeProjectService.h"
#include "ServiceProject.h"
#include "DayNumbers.h"
#include "ggError.h"

#include <gtest/gtest.h>

namespace {

QByteArray Answer(const QByteArray &tessalForm)
{
    return FakeProjectService::answerEnvelope("<CertificatePack>" + tessalForm + "</CertificatePack>");
}

ServiceProject ProjectOf(const QByteArray &tessalForm)
{
    const ServiceAnswer answer = ReadServiceAnswer(Answer(tessalForm));
    EXPECT_TRUE(answer.errorMessage.isEmpty());
    EXPECT_TRUE(answer.project.has_value());
    return answer.project.value_or(ServiceProject{});
}

QString BoxText(const ServiceProject &project, const char *control)
{
    for (const auto &[name, text] : project.boxes)
        if (name == QLatin1String(control))
            return text;
    return QStringLiteral("<untouched>");
}

} // namespace

TEST(ServiceProject, EveryElementGoesToItsBox)
{
    const ServiceProject project = ProjectOf(
        "<TessalForm language=\"en\" fSize1=\"9\" fSize3=\"x\" fSize10=\"7\" fSize12=\"\">"
        "<export><exporter><name>Alpha &amp; Co</name><address>Moscow</address></exporter>"
        "<sender><address>Only address</address></sender></export>"
        "<import><importer><name>Only name</name></importer><recipient/></import>"
        "<transport>By truck</transport><OfficialNote>Note &lt;1&gt;</OfficialNote>"
        "<CountryOfOrigin>Россия</CountryOfOrigin><AdditionalInfo>Contract 7</AdditionalInfo>"
        "<declaration><City>Тверь</City><ImportCountry>Germany</ImportCountry><Date>05.03.2024</Date></declaration>"
        "<GoodsList>"
        "<commodity num=\"1\"><description>Tea</description><package count=\"3\">boxes</package>"
        "<weight count=\"12.5\">kg</weight></commodity>"
        "<note>skipped</note>"
        "<commodity num=\"2\"><description>Coffee</description><package>bags</package></commodity>"
        "</GoodsList></TessalForm>");

    EXPECT_EQ(project.language, QStringLiteral("en"));
    const std::array<qint32, 12> sizes{9, 10, 10, 10, 10, 10, 10, 10, 10, 7, 10, 10};
    EXPECT_EQ(project.fontSizes, sizes);
    const QList<QPair<QString, QString>> boxes = {
        {"dbeExporter", "Alpha & Co\r\nMoscow"},
        {"dbeSender", "Only address"},
        {"dbeImporter", "Only name"},
        {"dbeRecipient", ""},
        {"dbm3", "By truck"},
        {"dbm4", "Note <1>"},
        {"EditCountry5", "Россия"},
        {"dbm6", "Contract 7"},
        {"EditCity12", "Тверь"},
        {"ImportingCountry", "Germany"},
    };
    EXPECT_EQ(project.boxes, boxes);
    EXPECT_EQ(project.date12, DayNumberOf(QDate(2024, 3, 5)));
    ASSERT_TRUE(project.goods.has_value());
    const QList<QStringList> goods = {{"1", "Tea", "3", "boxes", "12.5", "kg"}, {"2", "Coffee", "", "bags", "", ""}};
    EXPECT_EQ(*project.goods, goods);
}

TEST(ServiceProject, MissingPartsLeaveTheirBoxes)
{
    const ServiceProject project =
        ProjectOf("<TessalForm language=\"eng\"><export/><declaration><City></City><Date>morgen</Date></declaration>"
                  "</TessalForm>");
    EXPECT_EQ(project.language, std::nullopt);
    EXPECT_TRUE(project.boxes.isEmpty());
    EXPECT_EQ(project.date12, std::nullopt);
    EXPECT_EQ(project.goods, std::nullopt); // no GoodsList at all
    EXPECT_EQ(ProjectOf("<TessalForm><GoodsList/></TessalForm>").goods, QList<QStringList>{});
}

TEST(ServiceProject, DeclarationDate)
{
    const struct {
        const char *text;
        std::optional<QDate> date;
    } cases[] = {
        {"05.03.2024", QDate(2024, 3, 5)},
        {"5.3.2024 12:00", QDate(2024, 3, 5)},
        {"05 03 2024", QDate(2024, 3, 5)},
        {"31.02.2024", std::nullopt},
        {"2024-03-05", std::nullopt},
        {"05.03", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto &k : cases) {
        const std::optional<int64_t> expected =
            k.date ? std::optional<int64_t>(DayNumberOf(*k.date)) : std::nullopt;
        EXPECT_EQ(ServiceProjectDate(QString::fromUtf8(k.text)), expected) << k.text;
    }
}

TEST(ServiceProject, AnswersWithoutAProject)
{
    const ServiceAnswer refused =
        ReadServiceAnswer(FakeProjectService::answerEnvelope("<Error>404: проект не найден</Error>"));
    EXPECT_EQ(refused.errorMessage, QStringLiteral("Такого проекта на сервере нет. Возможно его уже забрали."));
    EXPECT_FALSE(refused.project);

    for (const QByteArray &pack : {QByteArray("<CertificatePack><tessalForm/></CertificatePack>"), QByteArray("<Other/>")}) {
        const ServiceAnswer empty = ReadServiceAnswer(FakeProjectService::answerEnvelope(pack));
        EXPECT_TRUE(empty.errorMessage.isEmpty());
        EXPECT_FALSE(empty.project) << pack.constData();
    }
    EXPECT_THROW(ReadServiceAnswer("oops"), AppError);
    EXPECT_THROW(ReadServiceAnswer("<soap:Envelope><soap:Header/></soap:Envelope>"), AppError);
    EXPECT_THROW(ReadServiceAnswer(FakeProjectService::answerEnvelope("<Error>oops</Error>")), AppError);
}
