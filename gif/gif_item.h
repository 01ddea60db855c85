#pragma once

#include "gif/gif_stream.h"
#include "gif/gif_types.h"

#include <QString>

// Base of every part of the file model: knows the image that owns it and
// passes its warnings there.
class TGIFItem
{
public:
    explicit TGIFItem(TGifPicture *image) : m_image(image) {}
    virtual ~TGIFItem() = default;
    TGIFItem(const TGIFItem &) = delete;
    TGIFItem &operator=(const TGIFItem &) = delete;

    TGifPicture *Image() const { return m_image; }

    // The lowest GIF version this item needs when written.
    virtual TGIFVersion Version() const { return TGIFVersion::gv87a; }
    virtual void Warning(TGIFSeverity severity, const QString &message) const;

    virtual void SaveToStream(TGifOutStream &stream) const = 0;
    virtual void LoadFromStream(TGifStream &stream) = 0;

    // Returns false with errorText set when the file cannot be read or
    // written; errors of the data itself are raised as GIFException.
    bool LoadFromFile(const QString &fileName, QString &errorText);
    bool SaveToFile(const QString &fileName, QString &errorText) const;

private:
    TGifPicture *m_image;
};
