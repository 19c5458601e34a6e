// The one rule for what XML can carry: tab, line feed and carriage return
// stay, the other C0 controls and U+FFFE, U+FFFF go.
#include "XmlCharacters.h"

#include <QList>
#include <gtest/gtest.h>

TEST(XmlCharacters, KeepsWhatXmlCarriesAndDropsTheRest)
{
    struct Case {
        const char *name;
        QString text, kept;
    };
    const QList<Case> cases = {
        {"plain Cyrillic", QStringLiteral("Станки"), QStringLiteral("Станки")},
        {"tab, line feed, carriage return", QStringLiteral("a\tb\r\nc"), QStringLiteral("a\tb\r\nc")},
        {"NUL and the controls around the breaks", QString(QChar(0)) + QStringLiteral("a\x01\x08\x0B\x0C\x0E\x1F" "b"),
         QStringLiteral("ab")},
        {"the two non-characters", QStringLiteral("a") + QChar(0xFFFE) + QChar(0xFFFF) + QStringLiteral("b"),
         QStringLiteral("ab")},
        {"space, DEL and a pair outside the BMP", QStringLiteral(" \x7F\U0001F600"), QStringLiteral(" \x7F\U0001F600")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WithXmlCharactersOnly(c.text), c.kept);
    }
}

TEST(XmlCharacters, FollowsTheCharProductionOfXml10OverTheWholeBmp)
{
    // Char ::= #x9 | #xA | #xD | [#x20-#xD7FF] | [#xE000-#xFFFD] | ...
    // (surrogate halves are left to the UTF-8 encoder).
    for (unsigned u = 0; u < 0x10000; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF)
            continue;
        const bool allowed = u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF)
            || (u >= 0xE000 && u <= 0xFFFD);
        EXPECT_EQ(IsXmlCharacter(char16_t(u)), allowed) << std::hex << u;
    }
}
