#include "gif/gif_lzw_encoder.h"

#include "gif/gif_stream.h"
#include "gif/gif_types.h"

#include <array>
#include <memory>

namespace {

constexpr int kHashSize = 8009; // a prime above twice the table size
constexpr quint32 kHashEmpty = 0xFFFFFFFF;
constexpr int kCodeBits = 12;
constexpr quint32 kCodeMask = (1u << kCodeBits) - 1;
constexpr int kLastFreeCode = 4095;
constexpr int kMinimumBits = 2;

// Open addressing with double hashing; keys are prefix * 256 + pixel.
class THashTable
{
public:
    THashTable() { Clear(); }
    void Clear() { m_table.fill(kHashEmpty); }

    void Insert(quint32 key, int code)
    {
        int h = Hash(key);
        for (int probes = 0; m_table[h] != kHashEmpty; ++probes)
            h = NextProbe(h, probes);
        m_table[h] = (key << kCodeBits) | (quint32(code) & kCodeMask);
    }

    int Lookup(quint32 key) const
    {
        int h = Hash(key);
        for (int probes = 0; m_table[h] != kHashEmpty; ++probes) {
            if ((m_table[h] & ~kCodeMask) == (key << kCodeBits))
                return int(m_table[h] & kCodeMask);
            h = NextProbe(h, probes);
        }
        return -1;
    }

private:
    static int Hash(quint32 key) { return int(((key >> 4) ^ key) % kHashSize); }
    // The doubling sequence of a prime modulus may cycle within a subgroup;
    // after a full table's worth of probes, step one by one so every slot is
    // visited.
    static int NextProbe(int h, int probes)
    {
        int next = probes < kHashSize ? (h == 0 ? h - 1 : h - (kHashSize - h)) : h - 1;
        return next < 0 ? next + kHashSize : next;
    }

    std::array<quint32, kHashSize> m_table;
};

// Gathers bytes into 255-byte data sub-blocks.
class TGIFWriter
{
public:
    explicit TGIFWriter(TGifOutStream &stream) : m_stream(stream) {}
    void WriteByte(quint8 b)
    {
        m_buffer[m_count++] = b;
        if (m_count == gif::kMaxSubBlockSize)
            Flush();
    }
    void Flush()
    {
        if (m_count == 0)
            return;
        m_stream.WriteByte(quint8(m_count));
        m_stream.Write(m_buffer.data(), m_count);
        m_count = 0;
    }

private:
    TGifOutStream &m_stream;
    std::array<quint8, gif::kMaxSubBlockSize> m_buffer{};
    int m_count = 0;
};

class TLZWEncoder
{
public:
    TLZWEncoder(TGifOutStream &stream, int bits, int colorCount)
        : m_writer(stream), m_colorCount(colorCount), m_initCodeSize(bits + 1),
          m_clearCode(1 << bits), m_endCode(m_clearCode + 1)
    {
        m_codeSize = m_initCodeSize;
        m_maxCode = (1 << m_codeSize) - 1;
        m_freeCode = m_clearCode + 2;
    }

    void Compress(const quint8 *data, bool interlaced, int width, int height);
    void Finish()
    {
        Output(m_endCode);
        m_writer.Flush();
    }

private:
    void Output(int code);
    void ClearTable();
    quint8 Pixel(const quint8 *p) const
    {
        if (*p >= m_colorCount)
            throw GIFException(MsgGifColorNotInTable);
        return *p;
    }

    TGIFWriter m_writer;
    THashTable m_hash;
    int m_colorCount;
    int m_initCodeSize;
    int m_clearCode;
    int m_endCode;
    int m_codeSize;
    int m_maxCode;
    int m_freeCode;
    bool m_clearFlag = false;
    quint32 m_acc = 0;
    int m_accBits = 0;
};

void TLZWEncoder::Output(int code)
{
    m_acc |= quint32(code) << m_accBits;
    m_accBits += m_codeSize;
    while (m_accBits >= 8) {
        m_writer.WriteByte(quint8(m_acc & 0xFF));
        m_acc >>= 8;
        m_accBits -= 8;
    }
    if (code == m_endCode) {
        if (m_accBits > 0)
            m_writer.WriteByte(quint8(m_acc & 0xFF));
        m_acc = 0;
        m_accBits = 0;
        return;
    }
    if (m_clearFlag) {
        m_codeSize = m_initCodeSize;
        m_maxCode = (1 << m_codeSize) - 1;
        m_clearFlag = false;
    } else if (m_freeCode > m_maxCode) {
        ++m_codeSize;
        m_maxCode = m_codeSize == kCodeBits ? gif::kLzwTableSize : (1 << m_codeSize) - 1;
    }
}

void TLZWEncoder::ClearTable()
{
    m_clearFlag = true;
    Output(m_clearCode);
    m_hash.Clear();
    m_freeCode = m_clearCode + 2;
}

void TLZWEncoder::Compress(const quint8 *data, bool interlaced, int width, int height)
{
    // Rows in the order they are written.
    std::vector<int> rows;
    rows.reserve(size_t(height));
    if (interlaced) {
        for (int start : {0, 4, 2, 1}) {
            const int step = start == 0 ? 8 : start * 2;
            for (int y = start; y < height; y += step)
                rows.push_back(y);
        }
    } else {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
    }

    ClearTable();
    int prefix = -1;
    for (int y : rows) {
        const quint8 *row = data + size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            const int c = Pixel(row + x);
            if (prefix < 0) {
                prefix = c;
                continue;
            }
            const quint32 key = (quint32(prefix) << 8) + quint32(c);
            const int code = m_hash.Lookup(key);
            if (code >= 0) {
                prefix = code;
                continue;
            }
            Output(prefix);
            prefix = c;
            if (m_freeCode >= kLastFreeCode) {
                ClearTable();
            } else {
                m_hash.Insert(key, m_freeCode++);
            }
        }
    }
    Output(prefix);
}

} // namespace

void CompressFrame(TGifOutStream &stream, int bitsPerPixel, int colorCount, const quint8 *data,
                   bool interlaced, int width, int height)
{
    const int bits = qMax(bitsPerPixel, kMinimumBits);
    stream.WriteByte(quint8(bits));
    auto encoder = std::make_unique<TLZWEncoder>(stream, bits, colorCount);
    if (data && width >= 1 && height >= 1)
        encoder->Compress(data, interlaced, width, height);
    encoder->Finish();
    stream.WriteByte(0);
}
