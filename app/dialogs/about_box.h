#pragma once

#include "core/util/sys_utils.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

namespace Ui {
class FrmAbout;
}

// The about box: the program's picture, its version (the main window's
// caption), where to send bug reports, and the version history.
class TFrmAbout : public QDialog
{
    Q_OBJECT

public:
    // Hands a URL to the desktop; `failed` hears the reason, now or later,
    // when nothing took it.
    using UrlOpener = std::function<void(const QString &url, TOpenFailed failed)>;

    static constexpr const char *kAuthorAddress = "pelloran@example.org";

    explicit TFrmAbout(QWidget *parent = nullptr);
    ~TFrmAbout() override;

    // The window whose caption names the version (not owned).
    void SetMainWindow(QWidget *mainWindow) { m_mainWindow = mainWindow; }
    // The desktop's open operation by default; tests capture the URL.
    void SetUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    void FormShow();
    // Starts the user's mail program with a new message to the author, the
    // version as its subject.
    void Label2Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadPictures();
    void fillVersionHistory();

    std::unique_ptr<Ui::FrmAbout> ui;
    QPointer<QWidget> m_mainWindow;
    UrlOpener m_openUrl;
};
