#pragma once
// Passes an XML text on from another device and watches the start tags in it:
// at the first one with more attributes or more bytes than the bounds below,
// the text ends, so an XML reader never takes that tag whole (QXmlStreamReader
// compares each attribute of a tag with every other one, so its work grows
// with the square of their number). The bytes are scanned once, as they pass.
// Comments, CDATA sections, processing instructions, the document type with
// its internal subset and quoted values are passed over: nothing in them
// counts as an attribute.
#include <QIODevice>
#include <QString>

class StartTagLimitDevice : public QIODevice {
public:
    // A certificate row has about fifty attributes, a goods line seven.
    static constexpr int MaxAttributes = 1024;
    static constexpr qint64 MaxTagBytes = qint64(4) << 20;

    // Source must be open to read.
    explicit StartTagLimitDevice(QIODevice &source);

    bool isSequential() const override { return true; }
    // Why the text ended early; empty while every start tag was within bounds.
    const QString &refusal() const { return m_refusal; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    enum class State : quint8 {
        Text,        // character data
        Open,        // after "<"
        StartTag,    // in a start tag, outside its values
        Value,       // in a quoted value (of a tag or a declaration)
        EndTag,      // in an end tag
        Bang,        // after "<!"
        BangDash,    // after "<!-"
        Until,       // in a comment, CDATA section or processing instruction
        Doctype,     // in the document type, outside its internal subset
        Subset,      // in the internal subset, between declarations
        SubsetOpen,  // after "<" in the internal subset
        Declaration, // in a declaration of the internal subset
    };

    // How many bytes of Data are within bounds; all of them unless a start
    // tag in them goes beyond, which sets the refusal.
    qint64 scan(const char *data, qint64 size);
    // Enters a comment, CDATA section or processing instruction, which ends
    // with Terminator, to go on with After.
    void until(const char *terminator, State after);
    // Enters the quoted value that C opens, to go on with After; false when C
    // is no quote.
    bool openValue(char c, State after);

    QIODevice &m_source;
    QString m_refusal;
    State m_state = State::Text;
    State m_afterValue = State::Text;
    State m_afterUntil = State::Text;
    char m_quote = 0;
    const char *m_terminator = "";
    char m_recent[2] = {0, 0}; // the two bytes before, in an Until state
    bool m_inSubset = false;
    bool m_inStartTag = false;
    int m_attributes = 0;
    qint64 m_tagBytes = 0;
    qint64 m_line = 1;
    qint64 m_tagLine = 1;
};
