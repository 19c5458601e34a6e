#include "ServiceProject.h"
#include "DateWords.h"

#include "ProjectAnswer.h"
#include "ServerAnswers.h"
#include "StrictDecimal.h"

#include <QRegularExpression>

namespace {

QString Text(const char *value)
{
    return QString::fromUtf8(value);
}

// The text of an element: every piece of text inside it, in order.
QString ElementText(const pugi::xml_node &element)
{
    struct Collector : pugi::xml_tree_walker {
        QString text;
        bool for_each(pugi::xml_node &node) override
        {
            if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
                text += Text(node.value());
            return true;
        }
    } collector;
    pugi::xml_node walked = element;
    walked.traverse(collector);
    return collector.text;
}

// Name and address on lines of their own; either alone when the other is empty.
QString PartyText(const pugi::xml_node &party)
{
    QStringList lines = {ElementText(party.child("name")), ElementText(party.child("address"))};
    lines.removeAll(QString());
    return lines.join(QStringLiteral("\r\n"));
}

void TakeParties(const pugi::xml_node &form, ServiceProject &project)
{
    const struct {
        const char *group, *party, *control;
    } parties[] = {
        {"export", "exporter", "dbeExporter"},
        {"export", "sender", "dbeSender"},
        {"import", "importer", "dbeImporter"},
        {"import", "recipient", "dbeRecipient"},
    };
    for (const auto &p : parties) {
        if (const pugi::xml_node party = form.child(p.group).child(p.party))
            project.boxes.append({QLatin1String(p.control), PartyText(party)});
    }
}

void TakeBoxes(const pugi::xml_node &form, ServiceProject &project)
{
    const struct {
        const char *element, *control;
    } boxes[] = {
        {"transport", "dbm3"},
        {"OfficialNote", "dbm4"},
        {"CountryOfOrigin", "EditCountry5"},
        {"AdditionalInfo", "dbm6"},
    };
    for (const auto &b : boxes) {
        if (const pugi::xml_node element = form.child(b.element))
            project.boxes.append({QLatin1String(b.control), ElementText(element)});
    }
    const pugi::xml_node declaration = form.child("declaration");
    for (const auto &[element, control] : {std::pair{"City", "EditCity12"}, std::pair{"ImportCountry", "ImportingCountry"}}) {
        const QString text = ElementText(declaration.child(element));
        if (!text.isEmpty())
            project.boxes.append({QLatin1String(control), text});
    }
    if (const pugi::xml_node date = declaration.child("Date"))
        project.date12 = ServiceProjectDate(ElementText(date));
}

QStringList GoodsLine(const pugi::xml_node &commodity)
{
    const pugi::xml_node package = commodity.child("package");
    const pugi::xml_node weight = commodity.child("weight");
    // d7, d8, d9c, d9p, d10w, d10q
    return {Text(commodity.attribute("num").value()),
            ElementText(commodity.child("description")),
            Text(package.attribute("count").value()),
            ElementText(package),
            Text(weight.attribute("count").value()),
            ElementText(weight)};
}

ServiceProject TakeProject(const pugi::xml_node &form)
{
    ServiceProject project;
    const QString language = Text(form.attribute("language").value());
    if (language.size() == 2)
        project.language = language;
    for (int box = 1; box <= 12; ++box) {
        const QByteArray name = "fSize" + QByteArray::number(box);
        project.fontSizes[size_t(box - 1)] = ParseStrictInt32(form.attribute(name.constData()).value()).value_or(10);
    }
    TakeParties(form, project);
    TakeBoxes(form, project);
    if (const pugi::xml_node list = form.child("GoodsList")) {
        QList<QStringList> goods;
        for (const pugi::xml_node &commodity : list.children("commodity"))
            goods.append(GoodsLine(commodity));
        project.goods = goods;
    }
    return project;
}

} // namespace

std::optional<int64_t> ServiceProjectDate(const QString &text)
{
    // A day before day 0 cannot be stored as a certificate's date.
    const std::optional<int64_t> day = DayNumberOfDateWords(text);
    if (!day || *day < 0)
        return std::nullopt;
    return day;
}

ServiceAnswer ReadServiceAnswer(const QByteArray &xml)
{
    pugi::xml_document document;
    LoadAnswerXml(document, xml);
    const pugi::xml_node result = ProjectResult(document);
    ServiceAnswer answer;
    if (const std::optional<QString> error = ProjectErrorText(result)) {
        answer.errorMessage = ProjectErrorMessage(*error);
        return answer;
    }
    if (const pugi::xml_node form = ProjectForm(result))
        answer.project = TakeProject(form);
    return answer;
}
