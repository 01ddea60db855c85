#include "app/main/dialog_prompts.h"

#include "app/dialogs/please_wait.h"
#include "app/main/application.h"
#include "ui/controls/window_fit.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace {

// A long bouquet name of 40 average characters, with a tenth more for the
// capitals and wide letters names have.
constexpr int kNameChars = 44;

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
    const WaitBoxesAside aside;
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
    if (buttons & mbCancelDefault) {
        if (shown & QMessageBox::Cancel)
            box.setDefaultButton(QMessageBox::Cancel);
        else if (shown & QMessageBox::No)
            box.setDefaultButton(QMessageBox::No);
    }
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
    const WaitBoxesAside aside;
    return QFileDialog::getOpenFileName(m_parent, title, QDir(folder).filePath(fileName), filter);
}

QString TDialogPrompts::saveFileName(const QString &title, const QString &filter,
                                     const QString &folder, const QString &fileName)
{
    const WaitBoxesAside aside;
    return QFileDialog::getSaveFileName(m_parent, title, QDir(folder).filePath(fileName), filter);
}

bool TDialogPrompts::inputQuery(const QString &caption, const QString &prompt, QString &text)
{
    const WaitBoxesAside aside;
    QInputDialog box(m_parent);
    box.setObjectName(QStringLiteral("InputQuery"));
    box.setWindowTitle(caption);
    box.setInputMode(QInputDialog::TextInput);
    box.setLabelText(prompt);
    // A line edit cuts what it is given at 32,767 characters, so OK on a
    // longer name (a generated or hostile file) would rename it shorter, and
    // no character could be typed onto it. A name is as long as its file
    // holds it: the box sets no limit of its own.
    if (auto *edit = box.findChild<QLineEdit *>())
        edit->setMaxLength(std::numeric_limits<int>::max());
    box.setTextValue(text);
    // Qt's own box is a dozen characters wide: the title bar cuts the caption
    // short and a long bouquet name scrolls out of sight. The edit takes the
    // width (a line's height of it for its frame and margins), and the
    // prompt above it shares it.
    if (auto *edit = box.findChild<QLineEdit *>()) {
        const QFontMetrics metrics(edit->font());
        const QMargins margins = box.layout() ? box.layout()->contentsMargins() : QMargins();
        const int nameWidth = kNameChars * metrics.averageCharWidth() + metrics.height();
        const int titleWidth = titleFitWidth(caption, box.font()) - margins.left() - margins.right();
        edit->setMinimumWidth(std::max(nameWidth, titleWidth));
    }
    if (box.exec() != QDialog::Accepted)
        return false;
    text = box.textValue();
    return true;
}

QString TDialogPrompts::folderName(const QString &title, const QString &folder)
{
    const WaitBoxesAside aside;
    return QFileDialog::getExistingDirectory(m_parent, title, folder);
}
