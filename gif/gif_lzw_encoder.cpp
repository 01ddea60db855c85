#include "gif/gif_lzw_encoder.h"

#include "gif/gif_stream.h"
#include "gif/gif_types.h"

#include <array>
#include <memory>
#include <vector>

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

// Bit packing, the pixel walk and the colour check shared by both encoders.
class TGIFEncoder
{
public:
    TGIFEncoder(TGifOutStream &stream, int bits, int colorCount)
        : m_writer(stream), m_colorCount(colorCount), m_initCodeSize(bits + 1),
          m_clearCode(1 << bits), m_endCode(m_clearCode + 1), m_firstFree(m_clearCode + 2)
    {
        m_codeSize = m_initCodeSize;
        m_maxCode = (1 << m_codeSize) - 1;
        m_freeCode = m_firstFree;
    }
    virtual ~TGIFEncoder() = default;

    void Compress(const quint8 *data, bool interlaced, int width, int height)
    {
        DoCompress(WalkRows(interlaced, height), data, width);
    }
    void Finish()
    {
        WriteCode(m_endCode);
        m_writer.Flush();
    }

protected:
    virtual void DoCompress(const std::vector<int> &rows, const quint8 *data, int width) = 0;

    // Packs the code least significant bit first at the current width; the
    // end code also writes the bits still held.
    void WriteCode(int code)
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
        }
    }
    void ResetCodeSize()
    {
        m_codeSize = m_initCodeSize;
        m_maxCode = (1 << m_codeSize) - 1;
    }
    int Pixel(const quint8 *p) const
    {
        if (*p >= m_colorCount)
            throw GIFException(MsgGifColorNotInTable);
        return *p;
    }

    TGIFWriter m_writer;
    int m_colorCount;
    int m_initCodeSize;
    int m_clearCode;
    int m_endCode;
    int m_firstFree;
    int m_codeSize;
    int m_maxCode;
    int m_freeCode;

private:
    // Interlaced frames are written in passes: every 8th row from 0, every
    // 8th from 4, every 4th from 2, every 2nd from 1.
    static std::vector<int> WalkRows(bool interlaced, int height)
    {
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
        return rows;
    }

    quint32 m_acc = 0;
    int m_accBits = 0;
};

class TLZWEncoder : public TGIFEncoder
{
public:
    using TGIFEncoder::TGIFEncoder;

protected:
    void DoCompress(const std::vector<int> &rows, const quint8 *data, int width) override;

private:
    void Output(int code);
    void ClearTable();

    THashTable m_hash;
    bool m_clearFlag = false;
};

void TLZWEncoder::Output(int code)
{
    WriteCode(code);
    if (code == m_endCode)
        return;
    if (m_clearFlag) {
        ResetCodeSize();
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
    m_freeCode = m_firstFree;
}

void TLZWEncoder::DoCompress(const std::vector<int> &rows, const quint8 *data, int width)
{
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

// Writes runs of equal pixels without building a string table, yet as codes
// every LZW decoder expands correctly: it tracks which entries the decoder's
// table holds. After a clear, repeating pixel p makes the decoder add runs of
// p of lengths 2, 3, 4 ... (each new code is the decoder's "next free" case),
// so code firstFree + n - 2 then stands for n pixels of p.
class TRLEEncoder : public TGIFEncoder
{
public:
    TRLEEncoder(TGifOutStream &stream, int bits, int colorCount)
        : TGIFEncoder(stream, bits, colorCount), m_maxCodes(kLastFreeCode - m_firstFree),
          m_bumpInit(m_clearCode - 1),
          m_clearInit(bits >= kWideBits ? m_bumpInit - 1 : kNarrowClearInit)
    {
    }

protected:
    void DoCompress(const std::vector<int> &rows, const quint8 *data, int width) override;

private:
    // Below 4 bits a clear after every few codes would cost more than wider codes.
    static constexpr int kWideBits = 4;
    static constexpr int kNarrowClearInit = 9;

    void Clear();
    void PlainOutput(int code);
    void Flush(int count);
    void FlushFromClear(int count);
    void FlushWithTable(int count);
    void FlushClearOrRepeat(int count);
    void ResetClearLimit();
    static int TriangleCount(int count, int maxCodes);

    const int m_maxCodes;
    const int m_bumpInit;
    const int m_clearInit;
    int m_runPixel = -1;
    int m_tableMax = 0;
    int m_tablePixel = -1;
    int m_outCount = 0;
    int m_outClear = 0;
    int m_outBump = 0;
    bool m_justCleared = false;
};

void TRLEEncoder::Clear()
{
    m_outBump = m_bumpInit;
    m_outClear = m_clearInit;
    m_outCount = 0;
    m_tableMax = 0;
    WriteCode(m_clearCode);
    ResetCodeSize();
    m_justCleared = true;
}

// The decoder widens its codes when its next free entry reaches 1 << size;
// counting codes since the clear tells when that happens.
void TRLEEncoder::PlainOutput(int code)
{
    m_justCleared = false;
    WriteCode(code);
    ++m_outCount;
    if (m_outCount >= m_outBump) {
        ++m_codeSize;
        m_outBump += 1 << (m_codeSize - 1);
    }
    if (m_outCount >= m_outClear)
        Clear();
}

// The fewest codes that emit count pixels from fresh tables of at most
// maxCodes codes each: a table's k-th code can stand for k pixels.
int TRLEEncoder::TriangleCount(int count, int maxCodes)
{
    int cost = 0;
    const int perTable = maxCodes * (maxCodes + 1) / 2;
    while (count >= perTable) {
        cost += maxCodes;
        count -= perTable;
    }
    if (count > 0) {
        int k = 1;
        while (k * k < count)
            k <<= 1;
        for (int i = 0; i < 16 && k > 0; ++i) {
            const int next = (k + count / k) / 2;
            if (next >= k)
                break;
            k = next;
        }
        while (k > 0 && k * (k + 1) >= 2 * count)
            --k;
        while (k * (k + 1) < 2 * count)
            ++k;
        cost += k;
    }
    return cost;
}

void TRLEEncoder::ResetClearLimit()
{
    m_outClear = m_clearInit;
    if (m_outCount >= m_outClear)
        Clear();
}

void TRLEEncoder::FlushFromClear(int count)
{
    m_outClear = m_maxCodes;
    m_tablePixel = m_runPixel;
    int k = 1;
    while (count > 0) {
        if (k == 1) {
            m_tableMax = 1;
            PlainOutput(m_runPixel);
            --count;
        } else if (count >= k) {
            m_tableMax = k;
            PlainOutput(m_firstFree + k - 2);
            count -= k;
        } else if (count == 1) {
            ++m_tableMax;
            PlainOutput(m_runPixel);
            count = 0;
        } else {
            ++m_tableMax;
            PlainOutput(m_firstFree + count - 2);
            count = 0;
        }
        if (m_outCount == 0) {
            // A run longer than one table's worth goes on in a fresh table
            // that may fill up as well; the clear just done set the short limit.
            m_outClear = m_maxCodes;
            k = 1;
        } else {
            ++k;
        }
    }
    ResetClearLimit();
}

void TRLEEncoder::FlushWithTable(int count)
{
    int reps = count / m_tableMax;
    int rest = count % m_tableMax;
    int extra = rest > 0 ? 1 : 0;
    if (m_outCount + reps + extra > m_maxCodes) {
        reps = m_maxCodes - m_outCount;
        rest = count - reps * m_tableMax;
        extra = 1 + TriangleCount(rest, m_maxCodes);
    }
    if (1 + TriangleCount(count, m_maxCodes) < reps + extra) {
        Clear();
        FlushFromClear(count);
        return;
    }
    m_outClear = m_maxCodes;
    const int runCode = m_firstFree + m_tableMax - 2;
    for (int i = 0; i < reps; ++i)
        PlainOutput(runCode);
    if (rest > 0) {
        if (m_justCleared)
            FlushFromClear(rest);
        else if (rest == 1)
            PlainOutput(m_runPixel);
        else
            PlainOutput(m_firstFree + rest - 2);
    }
    ResetClearLimit();
}

void TRLEEncoder::FlushClearOrRepeat(int count)
{
    if (1 + TriangleCount(count, m_maxCodes) < count) {
        Clear();
        FlushFromClear(count);
        return;
    }
    for (int i = 0; i < count; ++i)
        PlainOutput(m_runPixel);
}

void TRLEEncoder::Flush(int count)
{
    if (count == 1)
        PlainOutput(m_runPixel);
    else if (m_justCleared)
        FlushFromClear(count);
    else if (m_tableMax >= 2 && m_tablePixel == m_runPixel)
        FlushWithTable(count);
    else
        FlushClearOrRepeat(count);
}

void TRLEEncoder::DoCompress(const std::vector<int> &rows, const quint8 *data, int width)
{
    Clear();
    int runLength = 0;
    for (int y : rows) {
        const quint8 *row = data + size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            const int c = Pixel(row + x);
            if (runLength > 0 && c != m_runPixel) {
                Flush(runLength);
                runLength = 0;
            }
            if (runLength == 0)
                m_runPixel = c;
            ++runLength;
        }
    }
    if (runLength > 0)
        Flush(runLength);
}

} // namespace

void CompressFrame(TGifOutStream &stream, int bitsPerPixel, int colorCount, const quint8 *data,
                   bool interlaced, int width, int height, quint8 compression)
{
    const int bits = qMax(bitsPerPixel, kMinimumBits);
    stream.WriteByte(quint8(bits));
    std::unique_ptr<TGIFEncoder> encoder;
    if (compression == kCompressionRLE)
        encoder = std::make_unique<TRLEEncoder>(stream, bits, colorCount);
    else
        encoder = std::make_unique<TLZWEncoder>(stream, bits, colorCount);
    if (data && width >= 1 && height >= 1)
        encoder->Compress(data, interlaced, width, height);
    encoder->Finish();
    stream.WriteByte(0);
}
