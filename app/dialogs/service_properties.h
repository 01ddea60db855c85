#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmServiceProperties;
}

// Views, edits or adds one service with its transponder and satellite, or
// edits the name and identifiers of a bouquet entry. The caption and the
// visible buttons depend on the mode it is opened in.
class TFrmServiceProperties : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmServiceProperties(QWidget *parent = nullptr);
    ~TFrmServiceProperties() override;

private:
    std::unique_ptr<Ui::FrmServiceProperties> ui;
};
