#include "PdfWords.h"
#include "TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {
constexpr double PointsPerMm = 72.0 / 25.4;
}

bool HavePdfToText() { return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(); }

QList<PdfWord> ReadPdfWords(const QString &pdf)
{
    const QString html = pdf + QStringLiteral(".html");
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, html});
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QString text = QString::fromUtf8(ReadWholeFile(html));
    static const QRegularExpression token(QStringLiteral(
        "<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<PdfWord> words;
    int page = -1;
    for (auto it = token.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        if (match.captured(0) == QLatin1String("<page ")) {
            ++page;
            continue;
        }
        words.push_back({page, match.captured(1).toDouble() / PointsPerMm, match.captured(2).toDouble() / PointsPerMm,
                         match.captured(3).toDouble() / PointsPerMm, match.captured(4).toDouble() / PointsPerMm,
                         match.captured(5)});
    }
    return words;
}

const PdfWord *FindPdfWord(const QList<PdfWord> &words, const QString &text, int page)
{
    for (const PdfWord &word : words)
        if (word.text == text && (page < 0 || word.page == page))
            return &word;
    return nullptr;
}

QStringList PdfWordTexts(const QList<PdfWord> &words)
{
    QStringList texts;
    for (const PdfWord &word : words)
        texts << word.text;
    return texts;
}
