#pragma once

#include <QDialog>

#include <memory>

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

private:
    std::unique_ptr<Ui::FrmLogoManager> ui;
};
