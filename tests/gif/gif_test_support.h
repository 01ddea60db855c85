#pragma once

#include "gif/gif_painter.h"
#include "gif/gif_picture.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <vector>

namespace giftest {

inline QString corpusPath(const QString &name)
{
    return QStringLiteral(PELLORAN_FIXTURES_DIR "/gif/corpus/") + name;
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Collects the warnings an image reports.
struct WarningLog {
    QStringList messages;
    void attach(TGifPicture &picture)
    {
        picture.OnWarning = [this](TGifPicture *, TGIFSeverity, const QString &m) {
            messages.append(m);
        };
    }
    int count(MsgId id) const { return int(messages.count(msg(id))); }
};

// Writes LZW codes at the widths a decoder reads them: the width grows as
// the decoder's table fills, and a clear code resets it.
class CodeWriter
{
public:
    explicit CodeWriter(int minSize) : m_minSize(minSize) { reset(); }

    void code(int c)
    {
        put(c);
        const int clear = 1 << m_minSize;
        if (c == clear) {
            reset();
            m_afterClear = true;
            return;
        }
        if (c == clear + 1)
            return;
        if (m_afterClear) {
            m_afterClear = false;
            return;
        }
        if (m_next < 4096) {
            ++m_next;
            if (m_next >= (1 << m_width) && m_width < 12)
                ++m_width;
        }
    }
    // A clear, each pixel as a literal, an end code; clears keep it in range.
    void literals(const std::vector<int> &pixels)
    {
        const int clear = 1 << m_minSize;
        code(clear);
        int sinceClear = 0;
        for (int p : pixels) {
            if (++sinceClear > 1000) {
                code(clear);
                sinceClear = 1;
            }
            code(p);
        }
        code(clear + 1);
    }
    QByteArray bytes()
    {
        QByteArray out = m_out;
        if (m_bits > 0)
            out.append(char(m_acc & 0xFF));
        return out;
    }

private:
    void reset()
    {
        m_width = m_minSize + 1;
        m_next = (1 << m_minSize) + 2;
    }
    void put(int c)
    {
        m_acc |= quint32(c) << m_bits;
        m_bits += m_width;
        while (m_bits >= 8) {
            m_out.append(char(m_acc & 0xFF));
            m_acc >>= 8;
            m_bits -= 8;
        }
    }
    int m_minSize;
    int m_width = 0;
    int m_next = 0;
    bool m_afterClear = false;
    quint32 m_acc = 0;
    int m_bits = 0;
    QByteArray m_out;
};

// Builds GIF streams byte by byte, including malformed ones.
class GifBuilder
{
public:
    GifBuilder &raw(const QByteArray &bytes) { m_d += bytes; return *this; }
    GifBuilder &byte(int b) { m_d.append(char(b)); return *this; }
    GifBuilder &word(int w) { byte(w & 0xFF); return byte((w >> 8) & 0xFF); }

    // globalBits 0: no global table; else 2^globalBits grey-ish colours.
    GifBuilder &header(int w, int h, int globalBits = 2, int background = 0,
                       const char *signature = "GIF89a")
    {
        raw(QByteArray(signature, 6)).word(w).word(h);
        byte(globalBits ? (0x80 | (globalBits - 1)) : 0).byte(background).byte(0);
        if (globalBits)
            table(globalBits);
        return *this;
    }
    GifBuilder &table(int bits)
    {
        for (int i = 0; i < (1 << bits); ++i)
            byte((i * 40) & 0xFF).byte((i * 80 + 10) & 0xFF).byte((i * 120 + 20) & 0xFF);
        return *this;
    }
    GifBuilder &gce(int packed, int delay = 0, int transparentIndex = 0)
    {
        return byte(0x21).byte(0xF9).byte(4).byte(packed).word(delay).byte(transparentIndex).byte(0);
    }
    GifBuilder &comment(const QList<QByteArray> &lines)
    {
        byte(0x21).byte(0xFE);
        for (const QByteArray &l : lines)
            byte(int(l.size())).raw(l);
        return byte(0);
    }
    GifBuilder &application(const QByteArray &block, const QList<QByteArray> &subBlocks)
    {
        byte(0x21).byte(0xFF).byte(int(block.size())).raw(block);
        for (const QByteArray &b : subBlocks)
            byte(int(b.size())).raw(b);
        return byte(0);
    }
    GifBuilder &loop(int loops)
    {
        QByteArray sub;
        sub.append(char(1)).append(char(loops & 0xFF)).append(char(loops >> 8));
        return application("NETSCAPE2.0", {sub});
    }
    GifBuilder &descriptor(int l, int t, int w, int h, int packed = 0)
    {
        return byte(0x2C).word(l).word(t).word(w).word(h).byte(packed);
    }
    // Code size byte, data in sub-blocks of blockSize, optional terminator.
    GifBuilder &data(int minSize, const QByteArray &lzw, int blockSize = 255, bool terminator = true)
    {
        byte(minSize);
        for (qsizetype i = 0; i < lzw.size(); i += blockSize) {
            const QByteArray chunk = lzw.mid(i, blockSize);
            byte(int(chunk.size())).raw(chunk);
        }
        if (terminator)
            byte(0);
        return *this;
    }
    GifBuilder &pixels(int minSize, const std::vector<int> &px, int blockSize = 255)
    {
        CodeWriter w(minSize);
        w.literals(px);
        return data(minSize, w.bytes(), blockSize);
    }
    GifBuilder &image(int l, int t, int w, int h, const std::vector<int> &px, int packed = 0,
                      int minSize = 2)
    {
        return descriptor(l, t, w, h, packed).pixels(minSize, px);
    }
    GifBuilder &trailer() { return byte(0x3B); }
    QByteArray bytes() const { return m_d; }

private:
    QByteArray m_d;
};

inline std::vector<int> ramp(int count, int colors)
{
    std::vector<int> px(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        px[size_t(i)] = (i * 7 + i / 3) % colors;
    return px;
}

inline std::vector<int> frameData(const TGIFSubImage &frame)
{
    return std::vector<int>(frame.Data(), frame.Data() + frame.DataSize());
}

// A clock that only moves when told to; sleeping moves it.
class FakeClock : public TGIFClock
{
public:
    qint64 now = 0;
    std::vector<qint64> sleeps;
    qint64 NowMs() override { return now; }
    void SleepMs(qint64 ms) override
    {
        sleeps.push_back(ms);
        now += ms;
    }
};

} // namespace giftest
