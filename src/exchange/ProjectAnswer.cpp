#include "ProjectAnswer.h"

#include "BorinWin.h"
#include "StrictDecimal.h"
#include "ggError.h"

namespace {

pugi::xml_node Required(const pugi::xml_node &node, const char *what)
{
    if (!node)
        throw AppError(QStringLiteral("отсутствует узел ") + QLatin1String(what));
    return node;
}

} // namespace

pugi::xml_node ProjectResult(const pugi::xml_document &answer)
{
    const pugi::xml_node body = Required(answer.document_element().child("soap:Body"), "soap:Body");
    const pugi::xml_node response = Required(body.first_child(), "soap:Body/*");
    const pugi::xml_node getResult = Required(response.child("getResult"), "getResult");
    return Required(getResult.first_child(), "getResult/*");
}

std::optional<QString> ProjectErrorText(const pugi::xml_node &result)
{
    const pugi::xml_node error = result.child("Error");
    if (!error)
        return std::nullopt;
    return QString::fromUtf8(error.child_value());
}

qint32 ProjectErrorCode(const QString &errorText)
{
    // The text before the first colon; without one there is no code.
    const QString code = StrBeforeNW(QStringLiteral(":"), errorText, 1, true, 0);
    const std::optional<qint32> value = ParseStrictInt32(code.toUtf8());
    if (!value)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(code));
    return *value;
}

QString ProjectErrorMessage(const QString &errorText)
{
    switch (ProjectErrorCode(errorText)) {
    case 403: return QStringLiteral("Ошибка авторизации.");
    case 404: return QStringLiteral("Такого проекта на сервере нет. Возможно его уже забрали.");
    default: return QStringLiteral("Сервер вернул ошибку: ") + errorText;
    }
}

pugi::xml_node ProjectForm(const pugi::xml_node &result)
{
    return result.child("CertificatePack").child("TessalForm");
}
