#include "gif/picture_registry.h"

#include "gif/gif_picture.h"

#include <optional>

namespace {

QString normalisedExtension(const QString &extension)
{
    return extension.startsWith(u'.') ? extension.mid(1) : extension;
}

} // namespace

void TPictureRegistry::Register(Format format)
{
    std::lock_guard guard(m_lock);
    // A later registration of the same extension wins.
    std::erase_if(m_formats, [&format](const Format &f) {
        return f.Extension.compare(format.Extension, Qt::CaseInsensitive) == 0;
    });
    m_formats.push_back(std::move(format));
}

void TPictureRegistry::Unregister(const QString &className)
{
    std::lock_guard guard(m_lock);
    std::erase_if(m_formats, [&className](const Format &f) { return f.ClassName == className; });
}

std::optional<TPictureRegistry::Format> TPictureRegistry::FindByExtension(const QString &extension) const
{
    const QString wanted = normalisedExtension(extension);
    std::lock_guard guard(m_lock);
    for (const Format &f : m_formats)
        if (f.Extension.compare(wanted, Qt::CaseInsensitive) == 0)
            return f;
    return std::nullopt;
}

std::optional<TPictureRegistry::Format> TPictureRegistry::FindByClassName(const QString &className) const
{
    std::lock_guard guard(m_lock);
    for (const Format &f : m_formats)
        if (f.ClassName.compare(className, Qt::CaseInsensitive) == 0)
            return f;
    return std::nullopt;
}

QStringList TPictureRegistry::FileFilters() const
{
    std::lock_guard guard(m_lock);
    QStringList filters;
    for (const Format &f : m_formats)
        filters.append(f.Description + QLatin1String(" (*.") + f.Extension.toLower()
                       + QLatin1Char(')'));
    return filters;
}

void RegisterGifPicture(TPictureRegistry &registry)
{
    registry.Register({QStringLiteral("GIF"), msg(MsgGifImageDescription),
                       QStringLiteral("TGifPicture"),
                       [] { return std::make_unique<TGifPicture>(); }});
}

TPictureRegistry &PictureRegistry()
{
    struct Holder {
        TPictureRegistry registry;
        Holder() { RegisterGifPicture(registry); }
    };
    static Holder holder; // built once, safely from any thread
    return holder.registry;
}
