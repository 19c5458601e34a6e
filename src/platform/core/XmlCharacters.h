#pragma once
// Which characters an XML document can carry. Every writer of XML (the
// certificate packet, the Word and Excel documents) and every reader of a
// data packet we keep text from passes text through this one rule.
#include <QString>

// True for the characters XML 1.0 allows: tab, line feed, carriage return and
// everything from U+0020 on except U+FFFE and U+FFFF. (Surrogate halves are
// let through: the UTF-8 encoder replaces a lone one.)
bool IsXmlCharacter(char16_t c);

// Text with every character that XML cannot carry left out; tab, line feed
// and carriage return stay.
QString WithXmlCharactersOnly(const QString &text);
