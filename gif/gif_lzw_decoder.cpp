#include "gif/gif_lzw_decoder.h"

#include "gif/gif_model.h"

#include <array>

namespace {

constexpr int kStackSize = 2 * gif::kLzwTableSize;
// No expansion of a well-formed table is longer than the table itself.
constexpr int kMaxChainLength = gif::kLzwTableSize;

struct InterlacePass {
    int start;
    int step;
};
constexpr std::array<InterlacePass, 4> kInterlacePasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};

class LzwDecoder
{
public:
    LzwDecoder(TGIFSubImage &frame, TGifStream &stream) : m_frame(frame), m_stream(stream) {}

    void Run(quint8 *pixels, qint64 width, qint64 height, bool interlaced);

private:
    static constexpr int kEndOfData = -2;
    static constexpr int kNoData = -1;

    int GetCode();
    bool NextBlock();
    int NextCode();
    int EndCode();
    void Clear();
    bool ReadPixels(quint8 *dst, qint64 count);
    void Warn(MsgId id) { m_frame.Warning(TGIFSeverity::gsWarning, msg(id)); }

    TGIFSubImage &m_frame;
    TGifStream &m_stream;

    // bit reader: whole bytes of the current sub-block feed an accumulator,
    // refilled across as many sub-blocks as one code spans
    quint64 m_acc = 0;
    int m_accBits = 0;
    const quint8 *m_block = nullptr;
    int m_blockLeft = 0;
    bool m_done = false;          // no more sub-blocks
    bool m_terminatorSeen = false; // the zero-length sub-block has been read
    bool m_firstCall = true;

    int m_setCodeSize = 0;
    int m_codeSize = 0;
    int m_clearCode = 0;
    int m_endCode = 0;
    int m_maxCode = 0;
    int m_maxCodeSize = 0;
    int m_oldCode = 0;

    // The table: each entry is its prefix entry plus one pixel; its first
    // pixel and length let a string be written straight into the frame.
    std::array<quint16, gif::kLzwTableSize> m_prefix{};
    std::array<quint16, gif::kLzwTableSize> m_suffix{};
    std::array<quint8, gif::kLzwTableSize> m_first{};
    std::array<quint16, gif::kLzwTableSize> m_length{};
    // What is left of a string that did not fit the pixels asked for
    // (a row of an interlaced frame, or the frame's end), last pixel first.
    std::array<quint16, kStackSize> m_stack{};
    int m_sp = 0;
};

bool LzwDecoder::NextBlock()
{
    quint8 size = 0;
    if (!m_stream.ReadByte(size)) {
        m_done = true;
        return false;
    }
    if (size == 0) {
        m_done = true;
        m_terminatorSeen = true;
        return false;
    }
    if (size > m_stream.Remaining()) {
        Warn(MsgGifPrematureEnd);
        size = quint8(m_stream.Remaining());
        if (size == 0) {
            m_done = true;
            return false;
        }
    }
    m_block = m_stream.Peek(size);
    m_stream.Seek(size);
    m_blockLeft = size;
    return true;
}

int LzwDecoder::GetCode()
{
    if (m_firstCall) {
        // Decoding always starts by initialising the tables.
        m_firstCall = false;
        return m_clearCode;
    }
    while (m_accBits < m_codeSize) {
        if (m_blockLeft == 0) {
            if (m_done || !NextBlock()) {
                if (m_terminatorSeen && m_accBits == 0)
                    Warn(MsgGifBitBufferUnderrun);
                return kNoData;
            }
            continue;
        }
        // As many whole bytes as the accumulator holds, in one go.
        do {
            m_acc |= quint64(*m_block++) << m_accBits;
            m_accBits += 8;
        } while (--m_blockLeft > 0 && m_accBits <= 56);
    }
    const int code = int(m_acc & ((1u << m_codeSize) - 1));
    m_acc >>= m_codeSize;
    m_accBits -= m_codeSize;
    return code;
}

int LzwDecoder::EndCode()
{
    // Whatever follows the end code up to the terminator is not image data.
    if (!m_done) {
        SkipSubBlocks(m_stream);
        m_done = true;
        m_terminatorSeen = true;
    }
    m_blockLeft = 0;
    return kEndOfData;
}

void LzwDecoder::Clear()
{
    m_codeSize = m_setCodeSize + 1;
    m_maxCodeSize = 2 * m_clearCode;
    m_maxCode = m_clearCode + 2;
    m_sp = 0;
}

// Reads the next code and brings the table up to date; returns the entry
// whose string comes next (a pixel below ClearCode, or a table entry), or
// a negative value when decoding ends.
int LzwDecoder::NextCode()
{
    int code = GetCode();
    if (code < 0)
        return code;

    if (code == m_clearCode) {
        Clear();
        do {
            code = GetCode();
        } while (code == m_clearCode);
        if (code < 0)
            return code;
        if (code == m_endCode)
            return EndCode();
        if (code > m_clearCode) {
            // No table entry exists yet: the data is corrupt from here on.
            Warn(MsgGifInvalidCode);
            return kNoData;
        }
        m_oldCode = code;
        return code;
    }
    if (code == m_endCode)
        return EndCode();

    int first;
    if (code < m_maxCode) {
        first = m_first[size_t(code)];
    } else if (code == m_maxCode && m_maxCode < gif::kLzwTableSize) {
        // The entry being defined: the previous string plus its own first pixel.
        first = m_first[size_t(m_oldCode)];
    } else {
        Warn(MsgGifInvalidCode);
        return kNoData;
    }
    if (m_maxCode < gif::kLzwTableSize) {
        const size_t k = size_t(m_maxCode);
        m_prefix[k] = quint16(m_oldCode);
        m_suffix[k] = quint16(first);
        m_first[k] = m_first[size_t(m_oldCode)];
        m_length[k] = quint16(m_length[size_t(m_oldCode)] + 1);
        ++m_maxCode;
        if (m_maxCode >= m_maxCodeSize && m_maxCodeSize < gif::kLzwTableSize) {
            m_maxCodeSize *= 2;
            ++m_codeSize;
        }
    }
    m_oldCode = code;
    return code;
}

bool LzwDecoder::ReadPixels(quint8 *dst, qint64 count)
{
    while (count > 0) {
        if (m_sp > 0) {
            const qint64 n = qMin<qint64>(m_sp, count);
            for (qint64 i = 0; i < n; ++i)
                *dst++ = quint8(m_stack[--m_sp]);
            count -= n;
            continue;
        }
        const int code = NextCode();
        if (code < 0)
            return false;
        const int length = m_length[size_t(code)];
        if (length > count) {
            // Only part of the string is wanted now: the rest waits on the stack.
            m_sp = gif::detail::ExpandCode(m_prefix.data(), m_suffix.data(), code, m_clearCode,
                                           m_stack.data(), 0);
            continue;
        }
        // Written back to front along the prefix chain; entries always point
        // to lower ones, and the walk is bounded by the length in any case.
        int c = code;
        for (int i = length - 1; i > 0; --i) {
            dst[i] = quint8(m_suffix[size_t(c)]);
            c = m_prefix[size_t(c)];
        }
        dst[0] = quint8(c);
        dst += length;
        count -= length;
    }
    return true;
}

void LzwDecoder::Run(quint8 *pixels, qint64 width, qint64 height, bool interlaced)
{
    quint8 codeSize = 0;
    if (!m_stream.ReadByte(codeSize))
        return;
    // A clear code at or beyond the table size would index outside it.
    if (codeSize == 0 || codeSize >= gif::kLzwMaxCodeBits)
        throw GIFException(MsgGifInvalidData);
    m_setCodeSize = codeSize;
    m_clearCode = 1 << m_setCodeSize;
    m_endCode = m_clearCode + 1;
    // The single pixels never change; clear and end have no string.
    for (int k = 0; k < m_clearCode; ++k) {
        m_prefix[size_t(k)] = 0;
        m_suffix[size_t(k)] = quint16(k);
        m_first[size_t(k)] = quint8(k);
        m_length[size_t(k)] = 1;
    }
    Clear();

    if (!interlaced) {
        ReadPixels(pixels, width * height);
    } else {
        bool more = true;
        for (const InterlacePass &pass : kInterlacePasses) {
            for (qint64 row = pass.start; more && row < height; row += pass.step)
                more = ReadPixels(pixels + row * width, width);
        }
    }
    // Skip what is left of the data (usually just the end code) up to its
    // terminator, exactly once; never read past it.
    if (!m_done)
        SkipSubBlocks(m_stream);
}

} // namespace

int gif::detail::ExpandCode(const quint16 *prefix, const quint16 *suffix, int code,
                            int clearCode, quint16 *stack, int sp)
{
    // Well-formed tables only point to lower entries, so a chain never has
    // more links than the table; a longer one (or a self-reference) is a
    // cycle that would run past the stack.
    int steps = 0;
    while (code >= clearCode) {
        if (prefix[code] == code || ++steps > kMaxChainLength)
            throw GIFException(MsgGifCircularTableEntry);
        stack[sp++] = suffix[code];
        code = prefix[code];
    }
    stack[sp++] = suffix[code];
    return sp;
}

void DecompressFrame(TGIFSubImage &frame, TGifStream &stream)
{
    const quint8 fill = frame.Transparent() ? quint8(frame.TransparentColorIndex()) : 0;
    quint8 *pixels = frame.AllocateData(fill);
    // The tables are 24 KiB: on the heap, so worker threads' stacks stay small.
    auto decoder = std::make_unique<LzwDecoder>(frame, stream);
    decoder->Run(pixels, frame.Width, frame.Height, frame.Interlaced());
}
