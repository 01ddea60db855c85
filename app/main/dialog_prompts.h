#pragma once

#include "core/util/prompts.h"

class QWidget;

// The program's answers to modal questions: real message boxes and file
// dialogs over the main window, in front of any wait box that is up.
class TDialogPrompts : public TPrompts
{
public:
    explicit TDialogPrompts(QWidget *parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget *parent) { m_parent = parent; }

    int messageBox(TMsgKind kind, const QString &text, int buttons) override;
    QString openFileName(const QString &title, const QString &filter, const QString &folder,
                         const QString &fileName) override;
    QString saveFileName(const QString &title, const QString &filter, const QString &folder,
                         const QString &fileName) override;
    bool inputQuery(const QString &caption, const QString &prompt, QString &text) override;
    QString folderName(const QString &title, const QString &folder) override;

private:
    QWidget *m_parent;
};
