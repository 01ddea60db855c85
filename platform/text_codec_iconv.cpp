#include "platform/text_codec.h"

#include <cerrno>
#include <iconv.h>
#include <algorithm>

namespace {

class Converter
{
public:
    explicit Converter(const QByteArray &toEncoding)
        : m_cd(iconv_open(toEncoding.constData(), "UTF-8"))
    {
    }
    ~Converter()
    {
        if (isValid())
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool isValid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return m_cd; }

private:
    iconv_t m_cd;
};

// iconv reads suffixes such as "//TRANSLIT" out of the name; only plain
// ASCII encoding names are passed on.
bool isPlainEncodingName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (QChar c : name) {
        const bool ok = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')
            || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u'.' || c == u':';
        if (!ok)
            return false;
    }
    return true;
}

int utf8SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

class Encoder
{
public:
    explicit Encoder(iconv_t cd) : m_cd(cd) {}

    // False only on input iconv cannot make sense of at all.
    bool convert(const QByteArray &utf8)
    {
        char *in = const_cast<char *>(utf8.constData());
        size_t inLeft = size_t(utf8.size());
        while (inLeft > 0) {
            if (step(in, inLeft))
                continue;
            if (errno == E2BIG) {
                grow();
                continue;
            }
            if (errno != EILSEQ)
                return false;
            const int length = std::min<int>(utf8SequenceLength(uchar(*in)), int(inLeft));
            const QString character = QString::fromUtf8(in, length);
            const char32_t codePoint = character.size() == 2
                ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                : character.at(0).unicode();
            const QByteArray reference = "&#" + QByteArray::number(quint32(codePoint)) + ';';
            char *refIn = const_cast<char *>(reference.constData());
            size_t refLeft = size_t(reference.size());
            while (refLeft > 0) {
                if (step(refIn, refLeft))
                    continue;
                if (errno != E2BIG)
                    return false;
                grow();
            }
            in += length;
            inLeft -= size_t(length);
        }
        // Flush any pending shift state.
        while (iconv(m_cd, nullptr, nullptr, &m_out, &m_outLeft) == size_t(-1)) {
            if (errno != E2BIG)
                return false;
            grow();
        }
        return true;
    }

    QByteArray result()
    {
        m_buffer.truncate(m_buffer.size() - qsizetype(m_outLeft));
        return m_buffer;
    }

    void reserve(qsizetype size)
    {
        m_buffer.resize(size);
        m_out = m_buffer.data();
        m_outLeft = size_t(size);
    }

private:
    bool step(char *&in, size_t &inLeft)
    {
        return iconv(m_cd, &in, &inLeft, &m_out, &m_outLeft) != size_t(-1);
    }

    void grow()
    {
        const qsizetype used = m_buffer.size() - qsizetype(m_outLeft);
        m_buffer.resize(m_buffer.size() * 2 + 64);
        m_out = m_buffer.data() + used;
        m_outLeft = size_t(m_buffer.size() - used);
    }

    iconv_t m_cd;
    QByteArray m_buffer;
    char *m_out = nullptr;
    size_t m_outLeft = 0;
};

} // namespace

bool isUtf8EncodingName(QStringView encodingName)
{
    return encodingName.compare(u"UTF-8", Qt::CaseInsensitive) == 0
        || encodingName.compare(u"UTF8", Qt::CaseInsensitive) == 0;
}

std::optional<QByteArray> encodeXmlText(const QString &text, const QString &encodingName)
{
    if (isUtf8EncodingName(encodingName))
        return text.toUtf8();
    if (!isPlainEncodingName(encodingName))
        return std::nullopt;
    const Converter converter(encodingName.toLatin1());
    if (!converter.isValid())
        return std::nullopt;
    const QByteArray utf8 = text.toUtf8();
    Encoder encoder(converter.handle());
    encoder.reserve(utf8.size() + 64);
    if (!encoder.convert(utf8))
        return std::nullopt;
    return encoder.result();
}

AsciiInEncoding asciiInEncoding(const QString &encodingName)
{
    if (isUtf8EncodingName(encodingName))
        return AsciiInEncoding::Itself;
    QByteArray ascii = "\t\n\r";
    for (char c = 0x20; c < 0x7F; ++c)
        ascii += c;
    const auto encoded = encodeXmlText(QString::fromLatin1(ascii), encodingName);
    if (!encoded)
        return AsciiInEncoding::Unknown;
    return *encoded == ascii ? AsciiInEncoding::Itself : AsciiInEncoding::Changed;
}
