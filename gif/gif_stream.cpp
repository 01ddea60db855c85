#include "gif/gif_stream.h"

#include "gif/gif_types.h"

qint64 TGifStream::Read(void *buffer, qint64 count)
{
    const qint64 n = qBound<qint64>(0, count, Remaining());
    if (n > 0)
        std::memcpy(buffer, m_data.constData() + m_pos, size_t(n));
    m_pos += n;
    return n;
}

void ReadExact(TGifStream &stream, void *buffer, qint64 count)
{
    if (stream.Read(buffer, count) != count)
        throw GIFException(MsgGifPrematureEnd);
}

quint8 ReadExactByte(TGifStream &stream)
{
    quint8 b = 0;
    if (!stream.ReadByte(b))
        throw GIFException(MsgGifPrematureEnd);
    return b;
}

quint16 ReadWord(TGifStream &stream)
{
    quint8 bytes[2];
    ReadExact(stream, bytes, 2);
    return quint16(bytes[0] | (bytes[1] << 8));
}
