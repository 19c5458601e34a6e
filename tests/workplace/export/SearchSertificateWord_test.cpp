// The Word export of the listed certificates, read back with python-docx.
#include "PrintFixture.h"

#include "CommonMSWord.h"
#include "PythonDocxReader.h"
#include "SearchSertificateWord.h"

#include <QJsonArray>

namespace {

class CertsToWord : public PrintFixture {
protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        for (const char *language : {"ru", "en"}) {
            const QString name = QStringLiteral("SearchTemplate_") + QLatin1String(language) + QStringLiteral(".docx");
            ASSERT_TRUE(QFile::copy(ShippedDataDir() + QLatin1Char('/') + name, dataPath(name)));
        }
    }

    QJsonObject exported()
    {
        const QString file = out.path() + QStringLiteral("/certs.docx");
        const QByteArray docx = CertsWordDocument(*dm);
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(docx) == docx.size());
        f.close();
        return ReadWithPythonDocx(file);
    }
};

TEST_F(CertsToWord, TitleThenEachCertificateWithItsGoodsAndFiller)
{
    const QJsonObject read = exported();
    ASSERT_EQ(read["tables"].toArray().size(), 2);
    EXPECT_EQ(DocxCellText(read, 1, 1, 1), QStringLiteral("Палата"));
    EXPECT_EQ(DocxCellText(read, 1, 3, 1), QStringLiteral("Дата составления отчёта"));
    EXPECT_EQ(DocxCellText(read, 2, 1, 3), QStringLiteral("6007000123"));
    EXPECT_EQ(DocxCellText(read, 2, 11, 2), QStringLiteral("Запчасти"));
    // Two goods lines: row 12 takes the rest of 9.5 cm, rows 29 down to 13 are gone.
    EXPECT_EQ(DocxRows(read, 2).size(), 36 - 17);
    EXPECT_GT(DocxRows(read, 2)[11].toObject()["height"].toDouble(), 200);
    EXPECT_EQ(DocxCellText(read, 2, 33 - 17, 2), QStringLiteral("Палата"));
}

TEST_F(CertsToWord, MoreThanTwentyGoodsLinesLeaveBoxesElevenAndTwelveWhole)
{
    for (int i = 3; i <= 23; ++i)
        addGoodsLine(i, QString::number(i), QStringLiteral("Товар"), QString(), QString(), QString(), QString());
    selectCertificate(CertId);
    const QJsonObject read = exported();
    EXPECT_EQ(DocxRows(read, 2).size(), 36 + 3);
    EXPECT_EQ(DocxCellText(read, 2, 32, 1), QStringLiteral("23"));
    EXPECT_EQ(DocxCellText(read, 2, 33 + 3, 2), QStringLiteral("Палата"));
    EXPECT_EQ(DocxCellText(read, 2, 36 + 3, 4), DocxCellText(read, 2, 36 + 3, 2)); // both dates
}

} // namespace
