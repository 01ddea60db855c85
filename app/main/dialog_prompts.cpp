#include "app/main/dialog_prompts.h"

#include "app/main/application.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include <array>
#include <utility>

namespace {

// Our buttons and Qt's, in the order the boxes show them.
const std::array<std::pair<int, QMessageBox::StandardButton>, 5> kButtons = {{
    {TPrompts::mbYes, QMessageBox::Yes},
    {TPrompts::mbNo, QMessageBox::No},
    {TPrompts::mbOK, QMessageBox::Ok},
    {TPrompts::mbCancel, QMessageBox::Cancel},
    {TPrompts::mbAbort, QMessageBox::Abort},
}};

QMessageBox::Icon iconOf(TPrompts::TMsgKind kind)
{
    switch (kind) {
    case TPrompts::TMsgKind::Error:
        return QMessageBox::Critical;
    case TPrompts::TMsgKind::Warning:
        return QMessageBox::Warning;
    case TPrompts::TMsgKind::Information:
        return QMessageBox::Information;
    case TPrompts::TMsgKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

int TDialogPrompts::messageBox(TMsgKind kind, const QString &text, int buttons)
{
    QMessageBox box(iconOf(kind), applicationTitle(), text,
                    QMessageBox::NoButton, m_parent);
    QMessageBox::StandardButtons shown;
    for (const auto &[ours, theirs] : kButtons) {
        if (buttons & ours)
            shown |= theirs;
    }
    if (!shown)
        shown = QMessageBox::Ok;
    box.setStandardButtons(shown);
    const int pressed = box.exec();
    for (const auto &[ours, theirs] : kButtons) {
        if (pressed == theirs)
            return ours;
    }
    // Closing the box counts as its way out: Cancel where there is one.
    return (buttons & mbCancel) ? int(mbCancel) : (buttons & mbNo) ? int(mbNo) : int(mbOK);
}

QString TDialogPrompts::openFileName(const QString &title, const QString &filter,
                                     const QString &folder, const QString &fileName)
{
    return QFileDialog::getOpenFileName(m_parent, title, QDir(folder).filePath(fileName), filter);
}

QString TDialogPrompts::saveFileName(const QString &title, const QString &filter,
                                     const QString &folder, const QString &fileName)
{
    return QFileDialog::getSaveFileName(m_parent, title, QDir(folder).filePath(fileName), filter);
}

bool TDialogPrompts::inputQuery(const QString &caption, const QString &prompt, QString &text)
{
    bool ok = false;
    const QString entered =
        QInputDialog::getText(m_parent, caption, prompt, QLineEdit::Normal, text, &ok);
    if (ok)
        text = entered;
    return ok;
}

QString TDialogPrompts::folderName(const QString &title, const QString &folder)
{
    return QFileDialog::getExistingDirectory(m_parent, title, folder);
}
