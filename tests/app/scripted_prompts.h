#pragma once

#include "core/util/prompts.h"

#include <QList>
#include <QString>

#include <functional>

// Answers the program's questions from a script and records what was asked,
// so tests drive the windows without a modal box ever opening.
class TScriptedPrompts : public TPrompts
{
public:
    struct Question {
        TMsgKind kind;
        QString text;
        int buttons;
    };

    int messageBox(TMsgKind kind, const QString &text, int buttons) override
    {
        asked.append({kind, text, buttons});
        if (!answers.isEmpty())
            return answers.takeFirst();
        return (buttons & mbOK) ? int(mbOK) : (buttons & mbCancel) ? int(mbCancel) : int(mbNo);
    }
    QString openFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return files.isEmpty() ? QString() : files.takeFirst();
    }

    // Each input box takes the next scripted text; none left: Cancel.
    bool inputQuery(const QString &caption, const QString &prompt, QString &text) override
    {
        inputs.append({caption, prompt, text});
        if (typed.isEmpty())
            return false;
        text = typed.takeFirst();
        return true;
    }

    QString folderName(const QString &, const QString &folder) override
    {
        folderStarts.append(folder);
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }

    QStringList texts() const
    {
        QStringList all;
        for (const Question &q : asked)
            all.append(q.text);
        return all;
    }

    // The buttons to press, in turn; without one, OK or else Cancel.
    QList<int> answers;
    // The file names the file dialogs return, in turn.
    QStringList files;
    // The folders the folder dialogs return, in turn, and where they started.
    QStringList folders;
    QStringList folderStarts;
    // What the user types into the input boxes, in turn.
    QStringList typed;
    struct Input {
        QString caption, prompt, initial;
    };
    QList<Input> inputs;
    QList<Question> asked;
};
