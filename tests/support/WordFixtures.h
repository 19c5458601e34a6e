#pragma once
// Small Word documents written by the tests: a .docx through our zip writer
// and an .rtf by hand, each holding the tables given.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <random>

// Rows of cell texts; "\r\n" in a cell text starts a new paragraph.
using FixtureTable = QList<QStringList>;

// A .docx archive with word/document.xml holding this body content
// (WordprocessingML elements under the prefix "w:").
QByteArray DocxWithBody(const QByteArray &bodyXml);
// The body content of a table, for DocxWithBody.
QByteArray DocxTableXml(const FixtureTable &table);
// A .docx with the tables, a paragraph between each two.
QByteArray DocxWithTables(const QList<FixtureTable> &tables);

// How an .rtf writes characters outside ASCII.
enum class RtfText {
    CodePage, // \'xx bytes of Windows-1251 (\ansicpg1251)
    Unicode   // \uN with a "?" fallback
};
// An .rtf with the tables, a paragraph between each two.
QByteArray RtfWithTables(const QList<FixtureTable> &tables, RtfText text);

// The bytes with one to six random edits, for fuzzing the readers: a byte
// replaced by any byte or by one of `specials`, a few bytes removed, or a
// piece of the bytes copied in elsewhere.
QByteArray MutatedBytes(QByteArray bytes, std::mt19937 &random, const QByteArray &specials);

// Runs `read` on `rounds` candidates made by `candidate` (given the round's
// number) and counts the candidates read without AppError. Any other failure
// (another exception, a crash, a hang) ends the test.
int ReadableCandidates(int rounds, const std::function<QByteArray(int)> &candidate,
                       const std::function<void(const QByteArray &)> &read);
