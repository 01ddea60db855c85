#pragma once

#include <QFile>
#include <QIODevice>
#include <QString>

// Writes a file whole or not at all, as QSaveFile does, but under a name of
// our own: the bytes go to a hidden copy beside the file,
// ".<name>.pelloran-save-XXXXXX", which replaces the file at commit. A kill
// before that leaves the copy, and no file a user makes is named like it, so
// the next start can delete exactly those (isSaveCopyName). A link is
// followed to the file it leads to, which is the one replaced, unless the
// file is one of the program's own (writeOwnFile): then the link itself is.
class AtomicFile : public QIODevice
{
public:
    enum class Links {
        Followed,
        Replaced,
    };

    explicit AtomicFile(const QString &fileName, Links links = Links::Followed);
    ~AtomicFile() override;

    // Write-only; false when the copy cannot be made (errorString says why).
    bool open(OpenMode mode) override;
    // Discards what was written, as cancelWriting.
    void close() override;
    // Puts the copy in the file's place; false (the file as it was) when any
    // write failed, writing was cancelled, or the copy cannot be put there.
    bool commit();
    void cancelWriting();

    QString fileName() const { return m_fileName; }
    QFileDevice::FileError error() const { return m_error; }
    qint64 size() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    void fail(QFileDevice::FileError error, const QString &text);
    void discard();

    QString m_fileName;
    Links m_links;
    QString m_target;
    QFile m_copy;
    QFileDevice::FileError m_error = QFileDevice::NoError;
};

// A name AtomicFile gives a copy of the file: beside it, with a random part.
QString saveCopyName(const QString &fileName);
// Whether a file name is one AtomicFile gives its copies.
bool isSaveCopyName(const QString &name);
