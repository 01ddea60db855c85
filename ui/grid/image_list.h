#pragma once

#include <QList>
#include <QObject>
#include <QPixmap>

// Pictures shared by the columns of a window (logos, state marks); a column
// shows the picture whose index its cell holds.
class TImageList : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    int Count() const { return int(m_images.size()); }
    const QPixmap &Image(int index) const { return m_images.at(index); }
    int Add(const QPixmap &image)
    {
        m_images.append(image);
        emit changed();
        return Count() - 1;
    }
    void Replace(int index, const QPixmap &image)
    {
        m_images[index] = image;
        emit changed();
    }
    void Clear()
    {
        m_images.clear();
        emit changed();
    }

signals:
    void changed();

private:
    QList<QPixmap> m_images;
};
