#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmListGenerator;
}

// The print manager: which list (source), which columns in which order, and
// where it goes (CSV, HTML file, HTML print or a print of the grid itself).
class TFrmListGenerator : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmListGenerator(QWidget *parent = nullptr);
    ~TFrmListGenerator() override;

private:
    std::unique_ptr<Ui::FrmListGenerator> ui;
};
