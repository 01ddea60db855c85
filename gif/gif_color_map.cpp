#include "gif/gif_color_map.h"

#include "gif/gif_model.h"

namespace {
constexpr int kSmallCapacity = 16;
constexpr int kCapacityStep = 32;
} // namespace

void TGIFColorMap::Clear()
{
    m_count = 0;
    m_capacity = 0;
    Optimized = false;
}

void TGIFColorMap::SetCapacity(int request)
{
    if (request <= m_capacity)
        return;
    int capacity = request <= kSmallCapacity
        ? kSmallCapacity
        : (request + kCapacityStep - 1) / kCapacityStep * kCapacityStep;
    m_capacity = qMin(capacity, gif::kMaxColors);
}

void TGIFColorMap::LoadFromStream(TGifStream &stream, int count)
{
    Clear();
    count = qBound(0, count, gif::kMaxColors);
    SetCapacity(count);
    quint8 raw[gif::kMaxColors * 3];
    ReadExact(stream, raw, count * 3);
    for (int i = 0; i < count; ++i)
        m_data[i] = TGIFColor{raw[3 * i], raw[3 * i + 1], raw[3 * i + 2]};
    m_count = count;
}

void TGIFColorMap::SaveToStream(TGifOutStream &stream) const
{
    const int size = m_count == 0 ? 0 : 1 << BitsPerPixel();
    for (int i = 0; i < size; ++i) {
        const TGIFColor c = i < m_count ? m_data[i] : TGIFColor{};
        const quint8 raw[3] = {c.Red, c.Green, c.Blue};
        stream.Write(raw, 3);
    }
}

int TGIFColorMap::IndexOf(TGIFColor color) const
{
    if (Optimized) {
        for (int i = 0; i < m_count; ++i)
            if (m_data[i] == color)
                return i;
    } else {
        for (int i = m_count - 1; i >= 0; --i)
            if (m_data[i] == color)
                return i;
    }
    return -1;
}

int TGIFColorMap::Add(TGIFColor color)
{
    if (m_count >= gif::kMaxColors)
        throw GIFException(MsgGifColorTableOverflow);
    SetCapacity(m_count + 1);
    m_data[m_count] = color;
    return m_count++;
}

int TGIFColorMap::AddUnique(TGIFColor color)
{
    const int index = IndexOf(color);
    return index >= 0 ? index : Add(color);
}

void TGIFColorMap::Delete(int index)
{
    if (index < 0 || index >= m_count)
        throw GIFException(MsgGifInvalidColorIndex);
    std::copy(m_data.begin() + index + 1, m_data.begin() + m_count, m_data.begin() + index);
    --m_count;
}

TGIFColor TGIFColorMap::Colors(int index) const
{
    if (index >= 0 && index < m_count)
        return m_data[index];
    Warning(TGIFSeverity::gsWarning, msg(MsgGifInvalidColorIndex));
    if (m_count == 0)
        throw GIFException(MsgGifColorTableEmpty);
    return m_data[0];
}

void TGIFColorMap::SetColor(int index, TGIFColor color)
{
    if (index < 0 || index >= m_count)
        throw GIFException(MsgGifInvalidColorIndex);
    m_data[index] = color;
}

int TGIFColorMap::BitsFor(int count)
{
    if (count <= 0)
        return 0;
    if (count <= 2)
        return 1;
    int bits = 2;
    while ((1 << bits) < count)
        ++bits;
    return bits;
}

int TGIFColorMap::BitsPerPixel() const
{
    return BitsFor(m_count);
}

QList<QRgb> TGIFColorMap::ColorTable() const
{
    QList<QRgb> table;
    table.reserve(m_count);
    for (int i = 0; i < m_count; ++i)
        table.append(qRgb(m_data[i].Red, m_data[i].Green, m_data[i].Blue));
    return table;
}

void TGIFColorMap::AssignColorTable(const QList<QRgb> &table)
{
    Clear();
    const int count = int(qMin<qsizetype>(table.size(), gif::kMaxColors));
    SetCapacity(count);
    for (int i = 0; i < count; ++i)
        m_data[i] = TGIFColor{quint8(qRed(table[i])), quint8(qGreen(table[i])), quint8(qBlue(table[i]))};
    m_count = count;
}

void TGIFColorMap::Assign(const TGIFColorMap &other)
{
    if (&other == this)
        return;
    Clear();
    SetCapacity(other.m_count);
    m_data = other.m_data;
    m_count = other.m_count;
    Optimized = other.Optimized;
}

void TGIFGlobalColorMap::Warning(TGIFSeverity severity, const QString &message) const
{
    if (m_header)
        m_header->Warning(severity, message);
}

void TGIFLocalColorMap::Warning(TGIFSeverity severity, const QString &message) const
{
    if (m_frame)
        m_frame->Warning(severity, message);
}
