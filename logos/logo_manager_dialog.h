#pragma once

#include "logos/logo_pages.h"
#include "platform/url_download.h"

#include <QDialog>
#include <QStringList>

#include <array>
#include <memory>
#include <utility>
#include <vector>

class QAbstractButton;
class QCheckBox;
class TListGrid;
struct TProgram;

namespace Ui {
class FrmLogoManager;
}

// Fills the logo folder from the logo web site's satellite pages and holds
// the logo settings: display size, whether logos are mapped at all and
// whether the next mapping run starts afresh.
class TFrmLogoManager : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmLogoManager(QWidget *parent = nullptr);
    ~TFrmLogoManager() override;

    // The program whose lists, settings and main window the window works on.
    void SetProgram(TProgram *program);
    // For tests: the limits the pages and logos are fetched with.
    void SetDownloadOptions(const DownloadOptions &options) { m_downloads = options; }

    // The satellite pages of the last refresh, in index order.
    const std::vector<TLogoPackage> &Packages() const { return m_packages; }
    // Reads the index page at `indexUrl` into the package list; false when
    // it could not be fetched (the list is then left as it was, and
    // FailureReason says why).
    bool ParsePackageList(const QString &indexUrl);
    const QString &FailureReason() const { return m_failureReason; }
    // Saves the logos of one satellite page into `logoFolder`. False only
    // when the folder cannot be made (the user has been told); a page that
    // cannot be fetched is reported and skipped. Logos that do not arrive
    // as pictures are added to FailedLogos ("<page> - <channel>").
    bool DownloadPackage(const QString &pageUrl, const QString &pageName, bool tv,
                         const QString &logoFolder);
    // The logos the last download could not save; the user is told once
    // all pages are through.
    const QStringList &FailedLogos() const { return m_failedLogos; }

    void BtnTvClick();
    void BtnRadioClick();
    void BtnGoClick();
    void BtnDlPackageInfoClick();
    void BtnDlPackagesClick();
    void BtnSelectAllClick();
    void BtnSelectNoneClick();
    void BtnOkClick();
    // Takes back what was changed in the window since it opened, and only
    // that: the program's other settings may have changed meanwhile and
    // are not the window's to touch.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString indexUrl(bool tv) const;
    void setIndexUrl(bool tv);
    QString logoFolder() const;
    void fillGrid();
    void setAllChecked(bool checked);
    void updateDownloadButton();
    void updateRefreshButton();
    void showStatus(const QString &text);
    void warn(const QString &text);
    // Holds back the user's input while a download runs; the window keeps
    // painting.
    void setBusy(bool busy);
    void keepOpenedState();

    // The window's own choices as they stood when it opened.
    struct TOpenedState {
        std::vector<std::pair<QAbstractButton *, bool>> checks;
        int logoSize = 0;
        bool kept = false; // the window has been shown
    };

    TProgram *m_program = nullptr;
    std::unique_ptr<Ui::FrmLogoManager> ui;
    std::array<QCheckBox *, kLogoFamilyCount> m_families{};
    std::vector<TLogoPackage> m_packages;
    QString m_shownIndexUrl;
    DownloadOptions m_downloads;
    QString m_failureReason;
    QStringList m_failedLogos;
    TOpenedState m_opened;
};
