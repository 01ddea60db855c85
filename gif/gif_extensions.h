#pragma once

#include "gif/gif_item.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class TGIFExtension;
class TGIFSubImage;

// What the parser knows about one kind of extension: its label, how to make
// one, and how to narrow the kind down from the bytes that follow (the
// application extension picks its subclass by identifier).
struct TGIFExtensionClass {
    const char *Name;
    quint8 Label;
    std::unique_ptr<TGIFExtension> (*Create)(TGIFSubImage *frame);
    // Null for kinds that need no refinement. Must leave the stream where it
    // found it; the lookup restores the position in any case.
    const TGIFExtensionClass *(*Refine)(TGifStream &stream);
};

class TGIFExtension : public TGIFItem
{
public:
    explicit TGIFExtension(TGIFSubImage *frame);

    TGIFSubImage *SubImage() const { return m_frame; }
    virtual const TGIFExtensionClass &ExtensionClass() const = 0;
    quint8 Label() const { return ExtensionClass().Label; }

    TGIFVersion Version() const override { return TGIFVersion::gv89a; }
    void LoadFromStream(TGifStream &stream) override;
    void SaveToStream(TGifOutStream &stream) const override;

    // The class for the extension at the stream's position (on its 0x21),
    // or none; the stream is left where it was.
    static const TGIFExtensionClass *FindExtension(TGifStream &stream);

protected:
    virtual void ReadBody(TGifStream &stream) = 0;
    virtual void WriteBody(TGifOutStream &stream) const = 0;

private:
    TGIFSubImage *m_frame;
};

using TGIFExtensionList = std::vector<std::unique_ptr<TGIFExtension>>;

enum class TGIFDisposalMethod : quint8 {
    dmNone = 0,
    dmNoDisposal = 1,
    dmBackground = 2,
    dmPrevious = 3,
};

class TGIFGraphicControlExtension : public TGIFExtension
{
public:
    static constexpr quint8 kLabel = 0xF9;
    static const TGIFExtensionClass &Class();

    explicit TGIFGraphicControlExtension(TGIFSubImage *frame);
    ~TGIFGraphicControlExtension() override;
    const TGIFExtensionClass &ExtensionClass() const override { return Class(); }

    quint8 Packed() const { return m_packed; }
    int Disposal() const { return (m_packed >> 2) & 0x07; }
    void SetDisposal(int method);
    bool Transparent() const { return m_packed & kTransparentFlag; }
    void SetTransparent(bool on);
    bool UserInput() const { return m_packed & kUserInputFlag; }
    void SetUserInput(bool on);
    quint16 Delay() const { return m_delay; }
    void SetDelay(quint16 delay) { m_delay = delay; }
    quint8 TransparentColorIndex() const { return m_transparentIndex; }
    // Checked against the frame's active table: an index beyond a
    // non-empty table warns and stores 0.
    void SetTransparentColorIndex(int index);

protected:
    void ReadBody(TGifStream &stream) override;
    void WriteBody(TGifOutStream &stream) const override;

private:
    static constexpr quint8 kTransparentFlag = 0x01;
    static constexpr quint8 kUserInputFlag = 0x02;
    quint8 m_packed = 0;
    quint16 m_delay = 0;
    quint8 m_transparentIndex = 0;
};

class TGIFTextExtension : public TGIFExtension
{
public:
    static constexpr quint8 kLabel = 0x01;
    static const TGIFExtensionClass &Class();

    using TGIFExtension::TGIFExtension;
    const TGIFExtensionClass &ExtensionClass() const override { return Class(); }

    quint16 Left = 0, Top = 0, GridWidth = 0, GridHeight = 0;
    quint8 CharWidth = 0, CharHeight = 0, ForegroundColorIndex = 0, BackgroundColorIndex = 0;
    QStringList Text;

protected:
    void ReadBody(TGifStream &stream) override;
    void WriteBody(TGifOutStream &stream) const override;
};

class TGIFCommentExtension : public TGIFExtension
{
public:
    static constexpr quint8 kLabel = 0xFE;
    static const TGIFExtensionClass &Class();

    using TGIFExtension::TGIFExtension;
    const TGIFExtensionClass &ExtensionClass() const override { return Class(); }

    QStringList Text;

protected:
    void ReadBody(TGifStream &stream) override;
    void WriteBody(TGifOutStream &stream) const override;
};

class TGIFApplicationExtension : public TGIFExtension
{
public:
    static constexpr quint8 kLabel = 0xFF;
    static constexpr int kIdentifierSize = 11; // 8 identifier + 3 authentication
    using Identifier = std::array<quint8, kIdentifierSize>;
    static const TGIFExtensionClass &Class();

    using TGIFExtension::TGIFExtension;

    Identifier Ident{};
    QByteArray IdentifierText() const;
    void SetIdentifier(const char *text);
    // A first block of another size than 11 bytes, kept as read so that a
    // save writes it back unchanged; empty for a well-formed extension.
    std::optional<QByteArray> IrregularBlock;

protected:
    void ReadBody(TGifStream &stream) final;
    void WriteBody(TGifOutStream &stream) const final;
    virtual void ReadData(TGifStream &stream) = 0;
    virtual void WriteData(TGifOutStream &stream) const = 0;
};

// The looping extension ("NETSCAPE2.0", "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension
{
public:
    static const TGIFExtensionClass &Class();

    explicit TGIFAppExtNSLoop(TGIFSubImage *frame);
    const TGIFExtensionClass &ExtensionClass() const override { return Class(); }

    quint16 Loops = 0;
    quint32 BufferSize = 0;

protected:
    void ReadData(TGifStream &stream) override;
    void WriteData(TGifOutStream &stream) const override;
};

struct TGIFBlock {
    QByteArray Data; // at most 255 bytes
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension
{
public:
    static const TGIFExtensionClass &Class();

    using TGIFApplicationExtension::TGIFApplicationExtension;
    const TGIFExtensionClass &ExtensionClass() const override { return Class(); }

    std::vector<TGIFBlock> Blocks;

protected:
    void ReadData(TGifStream &stream) override;
    void WriteData(TGifOutStream &stream) const override;
};

// Process-wide registries, created once on first use from any thread. A
// later registration of the same key wins.
void RegisterExtension(const TGIFExtensionClass &cls);
void RegisterAppExtension(const TGIFApplicationExtension::Identifier &ident,
                          const TGIFExtensionClass &cls);
const TGIFExtensionClass *FindExtensionByLabel(quint8 label);
const TGIFExtensionClass *FindAppExtension(const TGIFApplicationExtension::Identifier &ident);

// Data sub-blocks as text, one line per sub-block (bytes as Latin-1), each
// line counted against the blocks of `image` when there is one.
void ReadSubBlockText(TGifStream &stream, QStringList &text, TGifPicture *image = nullptr);
void WriteSubBlockText(TGifOutStream &stream, const QStringList &text);
// Skips data sub-blocks up to and including the terminator or the end.
void SkipSubBlocks(TGifStream &stream);
