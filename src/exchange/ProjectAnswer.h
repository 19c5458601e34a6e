#pragma once
// The answer of the project service "ZUV" to its SOAP request `get`, as both
// Restavo (which stores it as serv.xml) and the editor (which fills the open
// certificate from it) read it: from the document element, its child
// `soap:Body`, that element's first child, its child `getResult`, and the
// first child of that, the result. The result holds either `Error` (a text
// that begins with a numeric code and ":") or `CertificatePack`, whose child
// `TessalForm` is the project.
#include <QString>

#include <optional>
#include <pugixml.hpp>

// The result element of a loaded answer; raises AppError naming the first
// element of the path that is missing.
pugi::xml_node ProjectResult(const pugi::xml_document &answer);

// The text of the result's `Error`; nothing when it has none.
std::optional<QString> ProjectErrorText(const pugi::xml_node &result);

// The code of an error text: the integer before its first ":" (the whole
// text when there is none). Raises AppError when that is not an integer.
qint32 ProjectErrorCode(const QString &errorText);

// What the operator is told about an error text: "Ошибка авторизации." for
// 403, "Такого проекта на сервере нет. Возможно его уже забрали." for 404,
// else "Сервер вернул ошибку: " and the whole text. Raises AppError when the
// text has no leading code.
QString ProjectErrorMessage(const QString &errorText);

// The project: the `TessalForm` child of the result's `CertificatePack`; a
// null node when either is missing.
pugi::xml_node ProjectForm(const pugi::xml_node &result);
