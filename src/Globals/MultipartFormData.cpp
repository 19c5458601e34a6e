#include "MultipartFormData.h"

#include "GGDateTime.h"
#include "ggError.h"

#include <algorithm>
#include <cstring>

namespace {

QByteArray FileNameWithoutFolder(const QByteArray &fileName)
{
    return fileName.mid(fileName.lastIndexOf('/') + 1);
}

// A name as it may stand between the quotes of a part header: a quote, CR
// and LF would end the name or the header line, so they go as %22, %0D and
// %0A, the way browsers send them.
QByteArray QuotedName(const QByteArray &name)
{
    QByteArray quoted = name;
    quoted.replace('"', "%22").replace('\r', "%0D").replace('\n', "%0A");
    return quoted;
}

} // namespace

TFormDataField::~TFormDataField()
{
    if (OwnsSource)
        delete Source;
}

QByteArray TFormDataField::PartHeader() const
{
    const QByteArray &boundary = m_owner.Stream().Boundary();
    if (Source && !FileName.isEmpty())
        return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + QuotedName(FieldName)
            + "\"; filename=\"" + QuotedName(FileNameWithoutFolder(FileName)) + "\"\r\nContent-Type: " + ContentType
            + "\r\n\r\n";
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + QuotedName(FieldName) + "\"\r\n\r\n"
        + Value + "\r\n";
}

TFormDataField &TFormDataFields::Add()
{
    m_items.push_back(std::unique_ptr<TFormDataField>(new TFormDataField(*this)));
    return *m_items.back();
}

TMultiPartFormDataStream::TMultiPartFormDataStream()
    : m_boundary(MakeBoundary()),
      m_contentType("multipart/form-data; boundary=" + m_boundary),
      m_fields(*this)
{
}

QByteArray TMultiPartFormDataStream::MakeBoundary()
{
    return "--------" + Now().toString(QStringLiteral("MMddyyhhmmsszzz")).toLatin1();
}

QByteArray TMultiPartFormDataStream::ClosingLine() const
{
    return "--" + m_boundary + "--\r\n";
}

qint64 TMultiPartFormDataStream::PartLength(const TFormDataField &part) const
{
    qint64 length = part.PartHeader().size();
    if (part.Source)
        length += part.Source->size() + 2;
    return length;
}

qint64 TMultiPartFormDataStream::Size() const
{
    qint64 size = ClosingLine().size();
    for (int i = 0; i < m_fields.Count(); ++i)
        size += PartLength(m_fields[i]);
    return size;
}

qint64 TMultiPartFormDataStream::Seek(qint64 offset, SeekOrigin origin)
{
    if (origin == SeekOrigin::End)
        return Size();
    if (origin == SeekOrigin::Beginning && offset == 0) {
        if (m_source)
            m_source->seek(0);
        m_source = nullptr;
        m_started = false;
        m_position = 0;
    }
    return m_position;
}

void TMultiPartFormDataStream::startPart()
{
    TFormDataField &part = m_fields[m_currentPart];
    m_pending = part.PartHeader();
    if (!part.Source) {
        ++m_currentPart;
        return;
    }
    if (!part.Source->isReadable() || !part.Source->seek(0))
        throw AppError(QStringLiteral("The content of part \"%1\" cannot be read")
                           .arg(QString::fromUtf8(part.FieldName)));
    m_source = part.Source;
    m_sourceLeft = part.Source->size();
}

void TMultiPartFormDataStream::finishSource()
{
    m_source->seek(0);
    m_source = nullptr;
    ++m_currentPart;
    m_pending = "\r\n";
}

qint64 TMultiPartFormDataStream::Read(char *buffer, qint64 count)
{
    if (!m_started) {
        m_currentPart = 0;
        m_closingDone = false;
        m_pending.clear();
        m_source = nullptr;
        m_started = true;
    }
    qint64 handed = 0;
    while (handed < count) {
        if (m_pending.isEmpty() && !m_source) {
            if (m_currentPart < m_fields.Count())
                startPart();
            else if (!m_closingDone) {
                m_pending = ClosingLine();
                m_closingDone = true;
            } else
                break;
        }
        const qint64 take = std::min<qint64>(count - handed, m_pending.size());
        std::memcpy(buffer + handed, m_pending.constData(), size_t(take));
        m_pending.remove(0, take);
        handed += take;

        if (m_source && m_pending.isEmpty() && handed < count) {
            const qint64 want = std::min(count - handed, m_sourceLeft);
            const qint64 got = want > 0 ? m_source->read(buffer + handed, want) : 0;
            if (got < 0 || (got < want && got == 0))
                throw AppError(QStringLiteral("The content of part \"%1\" ended before its size")
                                   .arg(QString::fromUtf8(m_fields[m_currentPart].FieldName)));
            handed += got;
            m_sourceLeft -= got;
            if (m_sourceLeft == 0)
                finishSource();
        }
    }
    m_position += handed;
    return handed;
}
