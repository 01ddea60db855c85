#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmImportNews;
}

// The services that the last services import added, changed and removed,
// and the settings of the bouquet that collects the new ones.
class TFrmImportNews : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmImportNews(QWidget *parent = nullptr);
    ~TFrmImportNews() override;

private:
    std::unique_ptr<Ui::FrmImportNews> ui;
};
