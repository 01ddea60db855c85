#pragma once

#include "gif/gif_stream.h"
#include "gif/gif_types.h"

#include <QList>
#include <QRgb>

#include <array>

class TGIFHeader;
class TGIFSubImage;

// A GIF colour table of at most 256 RGB entries.
class TGIFColorMap
{
public:
    TGIFColorMap() = default;
    virtual ~TGIFColorMap() = default;
    TGIFColorMap(const TGIFColorMap &) = delete;
    TGIFColorMap &operator=(const TGIFColorMap &) = delete;

    int Count() const { return m_count; }
    // Allocated entries: 16 for small tables, else rounded up to 32, at most 256.
    int Capacity() const { return m_capacity; }
    bool Optimized = false;

    const TGIFColor *Data() const { return m_data.data(); }

    void Clear();
    // Exactly count triples are read, else "Premature end of data".
    void LoadFromStream(TGifStream &stream, int count);
    // Count triples, then black up to the table size of BitsPerPixel().
    void SaveToStream(TGifOutStream &stream) const;

    // Exact match, -1 if none; searched last to first unless Optimized.
    int IndexOf(TGIFColor color) const;
    int Add(TGIFColor color);
    int AddUnique(TGIFColor color);
    void Delete(int index);
    // An index outside the table warns and gives colour 0.
    TGIFColor Colors(int index) const;
    void SetColor(int index, TGIFColor color);

    // Smallest number of bits that addresses Count colours (0 for none).
    int BitsPerPixel() const;
    static int BitsFor(int count);

    // The table as Qt colour-table entries (the logical palette).
    QList<QRgb> ColorTable() const;
    void AssignColorTable(const QList<QRgb> &table);
    void Assign(const TGIFColorMap &other);

protected:
    virtual void Warning(TGIFSeverity, const QString &) const {}

private:
    void SetCapacity(int request);

    std::array<TGIFColor, gif::kMaxColors> m_data{};
    int m_count = 0;
    int m_capacity = 0;
};

class TGIFGlobalColorMap : public TGIFColorMap
{
public:
    explicit TGIFGlobalColorMap(TGIFHeader *header) : m_header(header) {}
    TGIFHeader *Header() const { return m_header; }

protected:
    void Warning(TGIFSeverity severity, const QString &message) const override;

private:
    TGIFHeader *m_header;
};

class TGIFLocalColorMap : public TGIFColorMap
{
public:
    explicit TGIFLocalColorMap(TGIFSubImage *frame) : m_frame(frame) {}
    TGIFSubImage *SubImage() const { return m_frame; }

protected:
    void Warning(TGIFSeverity severity, const QString &message) const override;

private:
    TGIFSubImage *m_frame;
};
