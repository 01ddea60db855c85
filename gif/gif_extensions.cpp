#include "gif/gif_extensions.h"

#include "gif/gif_model.h"
#include "gif/gif_picture.h"

#include <cstring>
#include <mutex>
#include <shared_mutex>

namespace {

constexpr quint8 kGceBodySize = 4;
constexpr quint8 kTextBodySize = 12;
constexpr int kLoopSubBlockId = 1;
constexpr int kBufferSubBlockId = 2;
constexpr int kSubBlockIdMask = 0x07;

template <typename T>
std::unique_ptr<TGIFExtension> create(TGIFSubImage *frame)
{
    return std::make_unique<T>(frame);
}

TGIFApplicationExtension::Identifier identifierOf(const char *text)
{
    TGIFApplicationExtension::Identifier ident{};
    std::memcpy(ident.data(), text, ident.size());
    return ident;
}

const TGIFExtensionClass *refineApplication(TGifStream &stream)
{
    quint8 size = 0;
    if (!stream.ReadByte(size))
        return nullptr;
    if (size != TGIFApplicationExtension::kIdentifierSize)
        return &TGIFUnknownAppExtension::Class();
    TGIFApplicationExtension::Identifier ident{};
    if (stream.Read(ident.data(), qint64(ident.size())) != qint64(ident.size()))
        return nullptr;
    const TGIFExtensionClass *found = FindAppExtension(ident);
    return found ? found : &TGIFUnknownAppExtension::Class();
}

struct LabelEntry {
    quint8 label;
    const TGIFExtensionClass *cls;
};
struct AppEntry {
    TGIFApplicationExtension::Identifier ident;
    const TGIFExtensionClass *cls;
};

// Both registries live in one object that is built exactly once (C++ static
// initialisation is thread-safe) and guarded for later registrations.
struct Registries {
    std::shared_mutex lock;
    std::vector<LabelEntry> labels;
    std::vector<AppEntry> apps;

    Registries()
    {
        labels = {{TGIFTextExtension::kLabel, &TGIFTextExtension::Class()},
                  {TGIFGraphicControlExtension::kLabel, &TGIFGraphicControlExtension::Class()},
                  {TGIFCommentExtension::kLabel, &TGIFCommentExtension::Class()},
                  {TGIFApplicationExtension::kLabel, &TGIFApplicationExtension::Class()}};
        apps = {{identifierOf("NETSCAPE2.0"), &TGIFAppExtNSLoop::Class()},
                {identifierOf("ANIMEXTS1.0"), &TGIFAppExtNSLoop::Class()}};
    }
};

Registries &registries()
{
    static Registries instance;
    return instance;
}

} // namespace

void RegisterExtension(const TGIFExtensionClass &cls)
{
    Registries &r = registries();
    std::unique_lock guard(r.lock);
    r.labels.push_back({cls.Label, &cls});
}

void RegisterAppExtension(const TGIFApplicationExtension::Identifier &ident,
                          const TGIFExtensionClass &cls)
{
    Registries &r = registries();
    std::unique_lock guard(r.lock);
    r.apps.push_back({ident, &cls});
}

const TGIFExtensionClass *FindExtensionByLabel(quint8 label)
{
    Registries &r = registries();
    std::shared_lock guard(r.lock);
    for (auto it = r.labels.rbegin(); it != r.labels.rend(); ++it)
        if (it->label == label)
            return it->cls;
    return nullptr;
}

const TGIFExtensionClass *FindAppExtension(const TGIFApplicationExtension::Identifier &ident)
{
    Registries &r = registries();
    std::shared_lock guard(r.lock);
    for (auto it = r.apps.rbegin(); it != r.apps.rend(); ++it)
        if (it->ident == ident)
            return it->cls;
    return nullptr;
}

void ReadSubBlockText(TGifStream &stream, QStringList &text, TGifPicture *image)
{
    text.clear();
    quint8 size = 0;
    char buffer[gif::kMaxSubBlockSize];
    while (stream.ReadByte(size) && size != 0) {
        if (image)
            image->ReserveBlock();
        ReadExact(stream, buffer, size);
        text.append(QString::fromLatin1(buffer, size));
    }
}

void WriteSubBlockText(TGifOutStream &stream, const QStringList &text)
{
    for (const QString &line : text) {
        const QByteArray bytes = line.toLatin1();
        for (qsizetype pos = 0; pos < bytes.size(); pos += gif::kMaxSubBlockSize) {
            const qsizetype chunk = qMin<qsizetype>(gif::kMaxSubBlockSize, bytes.size() - pos);
            stream.WriteByte(quint8(chunk));
            stream.Write(bytes.constData() + pos, chunk);
        }
    }
    stream.WriteByte(0);
}

void SkipSubBlocks(TGifStream &stream)
{
    quint8 size = 0;
    while (stream.ReadByte(size) && size != 0)
        stream.Seek(size);
}

// ---------------------------------------------------------------------------

TGIFExtension::TGIFExtension(TGIFSubImage *frame)
    : TGIFItem(frame ? frame->Image() : nullptr), m_frame(frame)
{
}

void TGIFExtension::LoadFromStream(TGifStream &stream)
{
    quint8 head[2];
    ReadExact(stream, head, 2);
    if (head[0] != gif::kExtensionIntroducer)
        throw GIFException(MsgGifBadExtensionIntroducer);
    if (head[1] != Label())
        throw GIFException(MsgGifExtensionLabelMismatch);
    ReadBody(stream);
}

void TGIFExtension::SaveToStream(TGifOutStream &stream) const
{
    stream.WriteByte(gif::kExtensionIntroducer);
    stream.WriteByte(Label());
    WriteBody(stream);
}

const TGIFExtensionClass *TGIFExtension::FindExtension(TGifStream &stream)
{
    const qint64 start = stream.Position();
    const TGIFExtensionClass *cls = nullptr;
    quint8 head[2];
    if (stream.Read(head, 2) == 2)
        cls = FindExtensionByLabel(head[1]);
    // Refinement narrows the class; each step reads from just after the label.
    const qint64 afterLabel = stream.Position();
    while (cls && cls->Refine) {
        stream.SetPosition(afterLabel);
        const TGIFExtensionClass *refined = cls->Refine(stream);
        if (refined == cls)
            break;
        cls = refined;
    }
    stream.SetPosition(start);
    return cls;
}

// --- graphic control -------------------------------------------------------

const TGIFExtensionClass &TGIFGraphicControlExtension::Class()
{
    static const TGIFExtensionClass cls{"TGIFGraphicControlExtension", kLabel,
                                        &create<TGIFGraphicControlExtension>, nullptr};
    return cls;
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage *frame)
    : TGIFExtension(frame)
{
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension()
{
    if (SubImage())
        SubImage()->ExtensionDestroyed(this);
}

void TGIFGraphicControlExtension::SetDisposal(int method)
{
    m_packed = quint8((m_packed & ~0x1C) | ((method & 0x07) << 2));
}

void TGIFGraphicControlExtension::SetTransparent(bool on)
{
    m_packed = on ? quint8(m_packed | kTransparentFlag) : quint8(m_packed & ~kTransparentFlag);
    if (SubImage())
        SubImage()->FreeBitmap();
}

void TGIFGraphicControlExtension::SetUserInput(bool on)
{
    m_packed = on ? quint8(m_packed | kUserInputFlag) : quint8(m_packed & ~kUserInputFlag);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int index)
{
    if (SubImage()) {
        const TGIFColorMap &map = SubImage()->ActiveColorMap();
        if (map.Count() > 0 && (index < 0 || index >= map.Count())) {
            Warning(TGIFSeverity::gsWarning, msg(MsgGifInvalidColorIndex));
            index = 0;
        }
        SubImage()->FreeBitmap();
    }
    m_transparentIndex = quint8(index);
}

void TGIFGraphicControlExtension::ReadBody(TGifStream &stream)
{
    // The block declares its own size; what lies beyond the four bytes we
    // use (and any further sub-blocks) is skipped up to the terminator. A
    // size byte of 0 is the terminator itself.
    quint8 size = 0;
    quint8 body[kGceBodySize] = {};
    bool complete = stream.ReadByte(size) && size != 0;
    if (complete) {
        const qint64 wanted = qMin<qint64>(size, kGceBodySize);
        complete = stream.Read(body, wanted) == wanted && size >= kGceBodySize;
        stream.Seek(size - wanted);
        complete = complete && !stream.AtEnd();
    }
    m_packed = body[0];
    m_delay = quint16(body[1] | (body[2] << 8));
    m_transparentIndex = body[3];
    if (!complete) {
        // A short block cannot be trusted to say the frame is transparent.
        m_packed &= quint8(~kTransparentFlag);
        Warning(TGIFSeverity::gsWarning, msg(MsgGifPrematureEnd));
    }
    if (size != 0)
        SkipSubBlocks(stream);
}

void TGIFGraphicControlExtension::WriteBody(TGifOutStream &stream) const
{
    stream.WriteByte(kGceBodySize);
    stream.WriteByte(m_packed);
    stream.WriteWord(m_delay);
    stream.WriteByte(m_transparentIndex);
    stream.WriteByte(0);
}

// --- plain text ------------------------------------------------------------

const TGIFExtensionClass &TGIFTextExtension::Class()
{
    static const TGIFExtensionClass cls{"TGIFTextExtension", kLabel, &create<TGIFTextExtension>,
                                        nullptr};
    return cls;
}

void TGIFTextExtension::ReadBody(TGifStream &stream)
{
    const quint8 size = ReadExactByte(stream);
    if (size == 0)
        return; // the block was the terminator itself
    quint8 body[kTextBodySize] = {};
    const qint64 used = qMin<qint64>(size, kTextBodySize);
    ReadExact(stream, body, used);
    if (stream.Remaining() < size - used)
        throw GIFException(MsgGifPrematureEnd);
    stream.Seek(size - used);
    Left = quint16(body[0] | (body[1] << 8));
    Top = quint16(body[2] | (body[3] << 8));
    GridWidth = quint16(body[4] | (body[5] << 8));
    GridHeight = quint16(body[6] | (body[7] << 8));
    CharWidth = body[8];
    CharHeight = body[9];
    ForegroundColorIndex = body[10];
    BackgroundColorIndex = body[11];
    ReadSubBlockText(stream, Text, Image());
}

void TGIFTextExtension::WriteBody(TGifOutStream &stream) const
{
    stream.WriteByte(kTextBodySize);
    stream.WriteWord(Left);
    stream.WriteWord(Top);
    stream.WriteWord(GridWidth);
    stream.WriteWord(GridHeight);
    stream.WriteByte(CharWidth);
    stream.WriteByte(CharHeight);
    stream.WriteByte(ForegroundColorIndex);
    stream.WriteByte(BackgroundColorIndex);
    WriteSubBlockText(stream, Text);
}

// --- comment ---------------------------------------------------------------

const TGIFExtensionClass &TGIFCommentExtension::Class()
{
    static const TGIFExtensionClass cls{"TGIFCommentExtension", kLabel,
                                        &create<TGIFCommentExtension>, nullptr};
    return cls;
}

void TGIFCommentExtension::ReadBody(TGifStream &stream)
{
    ReadSubBlockText(stream, Text, Image());
}

void TGIFCommentExtension::WriteBody(TGifOutStream &stream) const
{
    WriteSubBlockText(stream, Text);
}

// --- application -----------------------------------------------------------

const TGIFExtensionClass &TGIFApplicationExtension::Class()
{
    // The base class is never instantiated: refinement always names a subclass.
    static const TGIFExtensionClass cls{"TGIFApplicationExtension", kLabel,
                                        &create<TGIFUnknownAppExtension>, &refineApplication};
    return cls;
}

QByteArray TGIFApplicationExtension::IdentifierText() const
{
    return QByteArray(reinterpret_cast<const char *>(Ident.data()), qsizetype(Ident.size()));
}

void TGIFApplicationExtension::SetIdentifier(const char *text)
{
    Ident = {};
    std::memcpy(Ident.data(), text, qMin(std::strlen(text), Ident.size()));
}

void TGIFApplicationExtension::ReadBody(TGifStream &stream)
{
    // A first block of any other size than 11 is kept as unknown application
    // data: its leading bytes (up to 11) make the identifier, and the block
    // itself is kept whole for writing.
    const quint8 size = ReadExactByte(stream);
    Ident = {};
    IrregularBlock.reset();
    if (size != kIdentifierSize) {
        QByteArray block(size, Qt::Uninitialized);
        ReadExact(stream, block.data(), size);
        std::memcpy(Ident.data(), block.constData(), qMin<size_t>(size_t(size), Ident.size()));
        IrregularBlock = std::move(block);
        if (size == 0)
            return; // the block was the terminator itself
    } else {
        ReadExact(stream, Ident.data(), kIdentifierSize);
    }
    ReadData(stream);
}

void TGIFApplicationExtension::WriteBody(TGifOutStream &stream) const
{
    if (IrregularBlock) {
        stream.WriteByte(quint8(IrregularBlock->size()));
        stream.Write(IrregularBlock->constData(), IrregularBlock->size());
        if (IrregularBlock->isEmpty())
            return; // that size byte was the terminator
    } else {
        stream.WriteByte(kIdentifierSize);
        stream.Write(Ident.data(), kIdentifierSize);
    }
    WriteData(stream);
}

const TGIFExtensionClass &TGIFAppExtNSLoop::Class()
{
    static const TGIFExtensionClass cls{"TGIFAppExtNSLoop", TGIFApplicationExtension::kLabel,
                                        &create<TGIFAppExtNSLoop>, nullptr};
    return cls;
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage *frame) : TGIFApplicationExtension(frame)
{
    SetIdentifier("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::ReadData(TGifStream &stream)
{
    quint8 size = 0;
    while (stream.ReadByte(size) && size != 0) {
        const quint8 id = ReadExactByte(stream);
        qint64 remaining = size - 1;
        switch (id & kSubBlockIdMask) {
        case kLoopSubBlockId:
            if (remaining < 2)
                throw GIFException(MsgGifInvalidData);
            Loops = ReadWord(stream);
            remaining -= 2;
            break;
        case kBufferSubBlockId: {
            if (remaining < 4)
                throw GIFException(MsgGifInvalidData);
            quint8 raw[4];
            ReadExact(stream, raw, 4);
            BufferSize = quint32(raw[0]) | (quint32(raw[1]) << 8) | (quint32(raw[2]) << 16)
                | (quint32(raw[3]) << 24);
            remaining -= 4;
            break;
        }
        default:
            break;
        }
        stream.Seek(remaining);
    }
}

void TGIFAppExtNSLoop::WriteData(TGifOutStream &stream) const
{
    stream.WriteByte(3);
    stream.WriteByte(kLoopSubBlockId);
    stream.WriteWord(Loops);
    if (BufferSize != 0) {
        stream.WriteByte(5);
        stream.WriteByte(kBufferSubBlockId);
        stream.WriteWord(quint16(BufferSize & 0xFFFF));
        stream.WriteWord(quint16(BufferSize >> 16));
    }
    stream.WriteByte(0);
}

const TGIFExtensionClass &TGIFUnknownAppExtension::Class()
{
    static const TGIFExtensionClass cls{"TGIFUnknownAppExtension",
                                        TGIFApplicationExtension::kLabel,
                                        &create<TGIFUnknownAppExtension>, nullptr};
    return cls;
}

void TGIFUnknownAppExtension::ReadData(TGifStream &stream)
{
    Blocks.clear();
    quint8 size = 0;
    while (stream.ReadByte(size) && size != 0) {
        if (Image())
            Image()->ReserveBlock();
        TGIFBlock block;
        block.Data.resize(size);
        ReadExact(stream, block.Data.data(), size);
        Blocks.push_back(std::move(block));
    }
}

void TGIFUnknownAppExtension::WriteData(TGifOutStream &stream) const
{
    for (const TGIFBlock &block : Blocks) {
        const qsizetype n = qMin<qsizetype>(block.Data.size(), gif::kMaxSubBlockSize);
        if (n == 0)
            continue;
        stream.WriteByte(quint8(n));
        stream.Write(block.Data.constData(), n);
    }
    stream.WriteByte(0);
}
