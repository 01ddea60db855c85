#pragma once

#include <QByteArray>

#include <cstring>

// Read access to GIF data held in memory: every read is bounded by the
// data's size and reports how much it delivered, so no parser ever reads
// through a raw pointer past the end of a hostile file.
class TGifStream
{
public:
    TGifStream() = default;
    explicit TGifStream(QByteArray data) : m_data(std::move(data)) {}

    qint64 Position() const { return m_pos; }
    qint64 Size() const { return m_data.size(); }
    qint64 Remaining() const { return Size() - m_pos; }
    bool AtEnd() const { return m_pos >= Size(); }

    // Reads up to count bytes; returns how many were read.
    qint64 Read(void *buffer, qint64 count);

    bool ReadByte(quint8 &b)
    {
        if (AtEnd())
            return false;
        b = quint8(m_data.at(m_pos++));
        return true;
    }

    // The next byte without consuming it, or -1 at the end.
    int PeekByte() const { return AtEnd() ? -1 : int(quint8(m_data.at(m_pos))); }

    // Moves by offset relative to the current position, clamped to the data.
    void Seek(qint64 offset) { SetPosition(m_pos + offset); }
    void SetPosition(qint64 pos) { m_pos = pos < 0 ? 0 : (pos > Size() ? Size() : pos); }

    // Direct access to the next count bytes, or nullptr when fewer remain.
    const quint8 *Peek(qint64 count) const
    {
        return count <= Remaining() ? reinterpret_cast<const quint8 *>(m_data.constData()) + m_pos
                                    : nullptr;
    }

    const QByteArray &Data() const { return m_data; }

private:
    QByteArray m_data;
    qint64 m_pos = 0;
};

// Reads exactly count bytes or raises "Premature end of data".
void ReadExact(TGifStream &stream, void *buffer, qint64 count);
quint8 ReadExactByte(TGifStream &stream);
quint16 ReadWord(TGifStream &stream);

// Output side: bytes appended to a buffer that the caller writes out.
class TGifOutStream
{
public:
    void Write(const void *data, qint64 count)
    {
        m_data.append(static_cast<const char *>(data), count);
    }
    void WriteByte(quint8 b) { m_data.append(char(b)); }
    void WriteWord(quint16 w)
    {
        WriteByte(quint8(w & 0xFF));
        WriteByte(quint8(w >> 8));
    }
    const QByteArray &Data() const { return m_data; }
    QByteArray TakeData() { return std::exchange(m_data, {}); }

private:
    QByteArray m_data;
};
