#pragma once

#include "exchange/kingofsat_page.h"

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class FrmKingOfSat;
}

struct TProgram;

// The satellites of the KingOfSat index page, to be checked for download
// into the KingOfSat list.
class TFrmKingOfSat : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmKingOfSat(QWidget *parent = nullptr);
    ~TFrmKingOfSat() override;

    void SetProgram(TProgram *program) { m_program = program; }
    // Reads the index page into the satellite grid.
    void BtnRefreshListClick();
    // Downloads the checked satellites into the KingOfSat list; closes with
    // OK when at least one arrived.
    void BtnDownloadClick();
    void BtnSelectAllClick();
    void BtnSelectNoneClick();
    void SetControlsEnabled(bool enabled);
    bool AnySatelliteChecked() const;
    bool Busy() const { return m_busy; }

    // The cells of a saved satellite page (see splitPageCells). False when
    // the file cannot be read.
    static bool SplitCells(const QString &fileName, TKofCells &cells);

    void reject() override;

private:
    void status(const QString &text) const;
    // The program's wait box, up while a page is fetched and read.
    void showWait(bool up) const;
    int message(int kind, const QString &text) const;
    void fillSatelliteGrid(const QString &page, const QString &pageUrl, QString &errorText);

    std::unique_ptr<Ui::FrmKingOfSat> ui;
    TProgram *m_program = nullptr;
    bool m_busy = false;
};
