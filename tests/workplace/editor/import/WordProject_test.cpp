// Which cells of a Word project fill which boxes: only the empty boxes read
// their cells, the date goes with the city, the goods table gives one line
// per row after its header, and a missing cell that is read is a failure.
#include "WordProject.h"
#include "AppError.h"
#include "ClientDataSet.h"
#include "DayNumbers.h"
#include "GoodsLines.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

OfficeTables ProjectTables(const QList<QStringList> &goods = {{"1", "Чай", "10", "100\r\n"}})
{
    OfficeTable head;
    head.rows = {{"1. Exporter"}, {"Экспортёр\r\nМосква"}, {"2."}, {"Importer Ltd"}, {"3.", "4."},
                 {"By truck", "Copy"},  {"5.", "6."},         {"Россия", "Contract 1"}};
    OfficeTable lines;
    lines.rows = {{"7.", "8.", "9.", "10."}};
    lines.rows += goods;
    OfficeTable declaration;
    declaration.rows = {{"12."}, {"-"}, {"country", "Germany"}, {"city", "Москва", "05.03.2024 г."}};
    return {head, lines, declaration};
}

std::function<QString(const QString &)> Boxes(const QMap<QString, QString> &filled)
{
    return [filled](const QString &control) { return filled.value(control); };
}

QStringList ControlsOf(const WordProject &project)
{
    QStringList controls;
    for (const auto &box : project.boxes)
        controls << box.first;
    return controls;
}

TEST(WordProject, EmptyBoxesReadTheirCellsAndFilledBoxesAreKept)
{
    const WordProject all = ReadWordProject(ProjectTables(), Boxes({}));
    EXPECT_EQ(all.boxes, (QList<QPair<QString, QString>>{{"dbeExporter", QStringLiteral("Экспортёр\r\nМосква")},
                                                           {"dbeImporter", "Importer Ltd"},
                                                           {"dbm3", "By truck"},
                                                           {"dbm4", "Copy"},
                                                           {"EditCountry5", QStringLiteral("Россия")},
                                                           {"dbm6", "Contract 1"},
                                                           {"ImportingCountry", "Germany"},
                                                           {"EditCity12", QStringLiteral("Москва")}}));
    EXPECT_EQ(all.date12, DayNumberOf(QDate(2024, 3, 5)));

    const WordProject some = ReadWordProject(ProjectTables(), Boxes({{"dbeExporter", "kept"}, {"EditCity12", "Тула"}}));
    EXPECT_EQ(ControlsOf(some),
              (QStringList{"dbeImporter", "dbm3", "dbm4", "EditCountry5", "dbm6", "ImportingCountry"}));
    EXPECT_FALSE(some.date12) << "the date goes only with the city";
}

TEST(WordProject, GoodsRowsAfterTheHeaderBecomeLinesWithoutTrailingMarks)
{
    EXPECT_TRUE(ReadWordProject(ProjectTables({}), Boxes({})).goods.isEmpty()) << "a header-only goods table";

    const WordProject project =
        ReadWordProject(ProjectTables({{"1\r\n", "Чай\r\nчёрный\r\n\r\n", "10\r\a", "100"}, {"2", "", "", ""}}),
                        Boxes({}));
    EXPECT_EQ(project.goods, (QList<QStringList>{{"1", QStringLiteral("Чай\r\nчёрный"), "10", "100"},
                                                 {"2", "", "", ""}}));

    ClientDataSet lines;
    CreateGoodsDataSet(lines);
    lines.append();
    lines.fieldByName("d9p").setValue(QStringLiteral("старая"));
    lines.post();
    PutWordProjectGoods(lines, project.goods);
    ASSERT_EQ(lines.recordCount(), 2);
    EXPECT_EQ(lines.fieldByName("d8").asString(), QStringLiteral("Чай\r\nчёрный"));
    EXPECT_EQ(lines.fieldByName("d10w").asString(), "100");
    EXPECT_EQ(lines.fieldByName("d9p").asString(), "");
    EXPECT_EQ(lines.fieldByName("d10q").asString(), "");
}

TEST(WordProject, AMissingCellIsAFailureOnlyWhenItIsRead)
{
    OfficeTables shortHead = ProjectTables();
    shortHead[0].rows.resize(6);
    EXPECT_THROW(ReadWordProject(shortHead, Boxes({})), AppError);
    EXPECT_NO_THROW(ReadWordProject(shortHead, Boxes({{"EditCountry5", "x"}, {"dbm6", "y"}})));

    OfficeTables noGoods = ProjectTables();
    noGoods[1].rows.append(QStringList{"3", "merged across the row"});
    EXPECT_THROW(ReadWordProject(noGoods, Boxes({})), AppError);
    EXPECT_THROW(ReadWordProject(ProjectTables().mid(0, 1), Boxes({})), AppError);
}

TEST(WordProject, DateCellsReadDayMonthAndYear)
{
    const struct {
        const char *text;
        std::optional<QDate> date;
    } cases[] = {
        {"05.03.2024", QDate(2024, 3, 5)},
        {"5.3.2024 г.", QDate(2024, 3, 5)},
        {"05.03.2024 года\r\n", QDate(2024, 3, 5)},
        {"31.12.1899", QDate(1899, 12, 31)},
        {"05.03.24", std::nullopt},
        {"30.02.2024", std::nullopt},
        {"5 марта 2024", std::nullopt},
        {"05.03.2024.1", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto &c : cases) {
        const std::optional<int64_t> day = WordProjectDate(QString::fromUtf8(c.text));
        EXPECT_EQ(day.has_value(), c.date.has_value()) << c.text;
        if (day && c.date)
            EXPECT_EQ(*day, DayNumberOf(*c.date)) << c.text;
    }
}

} // namespace
