#pragma once

#include <QString>
#include <QStringList>

class TPrompts;

// What an upload did to the receiver's file.
enum class TPutOutcome {
    Kept,     // the file is as it was before
    Replaced, // the file is the new one, whole
    Unknown,  // written straight into and cut short, or the link broke
              // while the server renamed the new copy into its place
};

// Which receiver files a series of uploads replaced and which it left as
// they were, for the message after one of them failed: the user must know
// whether the lists on the receiver still belong together.
class TReceiverPuts
{
public:
    void note(const QString &remotePath, TPutOutcome outcome);
    // Every file not noted yet stays as it was.
    void keepAll(const QStringList &remotePaths);
    // One titled list per outcome that has files, separated by blank lines.
    QString report() const;

private:
    QStringList m_replaced;
    QStringList m_kept;
    QStringList m_unknown;
};

// The receiver refused to rename the new copy of `remotePath` into its
// place, or had no room for it (`noRoom`): asks whether to write straight
// into the file instead, which a broken link leaves cut short. Cancel is
// the default.
bool askWriteInPlace(TPrompts *prompts, const QString &remotePath, bool noRoom = false);
