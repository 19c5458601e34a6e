#pragma once
// A multipart/form-data request body produced on the fly from a list of
// parts: plain name/value fields and file parts whose content is copied from
// a stream while the body is read. Nothing is assembled in advance.
//
// The body is, for each part in order, its header, then for a part with a
// source the source's bytes and CR LF; then "--" + boundary + "--" CR LF.
// The declared size (Size, a seek to the end) always equals the bytes that
// a full read produces, also for a body without parts.
#include "CurlTransport.h"

#include <QByteArray>
#include <QIODevice>
#include <memory>
#include <vector>

class TMultiPartFormDataStream;
class TFormDataFields;

// One part. A part with a Source (an open, seekable stream) carries the
// source's bytes; with a FileName it is a file part.
class TFormDataField {
public:
    ~TFormDataField();
    TFormDataField(const TFormDataField &) = delete;
    TFormDataField &operator=(const TFormDataField &) = delete;

    QByteArray Value;
    QByteArray FileName;
    QByteArray ContentType;
    QByteArray FieldName;
    QIODevice *Source = nullptr;
    bool OwnsSource = false;

    // The part's header; for a part without a source also its value and CR LF.
    QByteArray PartHeader() const;

private:
    friend class TFormDataFields;
    explicit TFormDataField(const TFormDataFields &owner) : m_owner(owner) {}
    const TFormDataFields &m_owner;
};

class TFormDataFields {
public:
    explicit TFormDataFields(const TMultiPartFormDataStream &stream) : m_stream(stream) {}
    TFormDataField &Add();
    int Count() const { return int(m_items.size()); }
    TFormDataField &operator[](int index) { return *m_items.at(size_t(index)); }
    const TFormDataField &operator[](int index) const { return *m_items.at(size_t(index)); }
    void Clear() { m_items.clear(); }
    const TMultiPartFormDataStream &Stream() const { return m_stream; }

private:
    const TMultiPartFormDataStream &m_stream;
    std::vector<std::unique_ptr<TFormDataField>> m_items;
};

enum class SeekOrigin { Beginning, Current, End };

class TMultiPartFormDataStream : public net::RequestBody {
public:
    TMultiPartFormDataStream();
    TMultiPartFormDataStream(const TMultiPartFormDataStream &) = delete;
    TMultiPartFormDataStream &operator=(const TMultiPartFormDataStream &) = delete;

    // "--------" and the time of creation as mmddyyhhnnsszzz.
    static QByteArray MakeBoundary();
    const QByteArray &Boundary() const { return m_boundary; }
    // "multipart/form-data; boundary=" + Boundary.
    const QByteArray &ContentType() const { return m_contentType; }
    // "--" + Boundary + "--" CR LF.
    QByteArray ClosingLine() const;

    TFormDataFields &Fields() { return m_fields; }
    const TFormDataFields &Fields() const { return m_fields; }

    // Bytes one part contributes: its header, plus the source's size and CR LF.
    qint64 PartLength(const TFormDataField &part) const;

    // Next bytes of the body; 0 at its end. A source that cannot be read, or
    // that ends before its declared size, raises AppError.
    qint64 Read(char *buffer, qint64 count);
    // Offset 0 from the beginning rewinds; other offsets from the beginning and
    // any from the current position return the position without moving; from
    // the end returns the size without moving.
    qint64 Seek(qint64 offset, SeekOrigin origin);
    // The whole body's length; leaves the stream as it was.
    qint64 Size() const;
    qint64 Position() const { return m_position; }
    qint64 Write(const char *, qint64) { return 0; }
    void SetSize(qint64) {}

    // As a request body.
    int64_t bodySize() override { return Size(); }
    bool rewindBody() override { Seek(0, SeekOrigin::Beginning); return true; }
    int64_t readBody(char *data, int64_t maxCount) override { return Read(data, maxCount); }

private:
    void startPart();
    void finishSource();

    QByteArray m_boundary;
    QByteArray m_contentType;
    TFormDataFields m_fields;
    bool m_started = false;
    int m_currentPart = 0;
    bool m_closingDone = false;
    QByteArray m_pending;
    QIODevice *m_source = nullptr;
    qint64 m_sourceLeft = 0;
    qint64 m_position = 0;
};
