#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class TGifPicture;

// The picture classes the program can load, by file extension and by the
// class name under which stored pictures name them. Safe to use from any
// thread (the logo worker looks formats up while the UI thread draws).
class TPictureRegistry
{
public:
    using Factory = std::function<std::unique_ptr<TGifPicture>()>;

    struct Format {
        QString Extension;   // without the dot, e.g. "GIF"
        QString Description; // e.g. "GIF Image"
        QString ClassName;   // e.g. "TGifPicture"
        Factory Create;
    };

    void Register(Format format);
    void Unregister(const QString &className);
    // Case-insensitive; the extension may carry a leading dot.
    std::optional<Format> FindByExtension(const QString &extension) const;
    std::optional<Format> FindByClassName(const QString &className) const;
    // "GIF Image (*.gif)" entries for file dialogs.
    QStringList FileFilters() const;

private:
    mutable std::mutex m_lock;
    std::vector<Format> m_formats;
};

// Registers TGifPicture: extension "GIF", description "GIF Image".
void RegisterGifPicture(TPictureRegistry &registry);

// The program's registry, created once (thread-safe) with the GIF class.
TPictureRegistry &PictureRegistry();
