#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmToggleActions;
}

// The choice of a my-services action: add, remove or replace, each shown
// with the icon the grids use for it.
class TFrmToggleActions : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmToggleActions(QWidget *parent = nullptr);
    ~TFrmToggleActions() override;

    // Shows the choice with `action` preselected (none counts as add) and
    // returns the modal result. `action` receives the button checked at the
    // end whatever the result: callers take it over only after OK.
    int Execute(int &action);

protected:
    void changeEvent(QEvent *event) override;

private:
    void fitTitle();
    void preselect(int action);
    int chosen() const;

    std::unique_ptr<Ui::FrmToggleActions> ui;
};
