#pragma once
// A certificate project of the project service as the editor takes it from
// serv.xml: the language, the twelve font sizes, the texts of boxes 1 to 6
// and 12, box 12's date and the goods lines. Only what the project holds is
// taken: an element that is missing leaves its box as it was.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

class ClientDataSet;

struct ServiceProject {
    std::optional<QString> language;   // two characters, when the project names one
    std::array<qint32, 12> fontSizes{}; // fSize1 .. fSize12; 10 where the project has no integer
    // The boxes' new texts (control, text), in the order they are filled.
    QList<QPair<QString, QString>> boxes;
    std::optional<int64_t> date12;     // a day number
    // One line per `commodity`, the six goods fields in GoodsFields() order;
    // nothing when the project has no `GoodsList`.
    std::optional<QList<QStringList>> goods;
};

// What serv.xml says.
struct ServiceAnswer {
    // The service's error as the operator is told it; set when the answer is an error.
    QString errorMessage;
    // The project; nothing when the answer holds no `TessalForm`.
    std::optional<ServiceProject> project;
};

// Reads the project service's answer. An answer that is not XML, that lacks
// an element of the path to its result or whose error text has no leading
// code raises AppError.
ServiceAnswer ReadServiceAnswer(const QByteArray &xml);

// The date of box 12's text: day, month and year, the first three numbers of
// the text split at "." and blanks; nothing when they are no date.
std::optional<int64_t> ServiceProjectDate(const QString &text);
