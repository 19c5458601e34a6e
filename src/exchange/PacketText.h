#pragma once
// How the certificate packet turns stored text into attribute values.
#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

// The first MaxUnits UTF-16 code units of Text, one fewer when the cut would
// leave half of a surrogate pair.
QString CutToWholeChars(const QString &text, qsizetype maxUnits);

// Text as an XML reader returns it after it was put between the quotes of an
// attribute unescaped: each CR LF, lone CR, LF and tab becomes one blank.
QString AsReadFromAttribute(const QString &text);

// Serialised XML with every "&amp;#xA;" turned into the character reference
// "&#xA;": the line breaks that the packet writes as the text "&#xA;" (and
// that text typed by the operator) reach the server as line feeds.
QByteArray WithLineFeedReferences(const QByteArray &xml);

// Adds the attribute Name = Value without the characters XML cannot carry, as UTF-8; the
// XML writer escapes it.
void SetPacketAttribute(pugi::xml_node node, const char *name, const QString &value);
