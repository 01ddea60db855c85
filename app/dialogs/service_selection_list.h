#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmServiceSelectionList;
}

class TSatelite;
class TService;
class TTransponder;

// The services a bouquet entry's search found, one per row, for the user to
// pick the one the entry is linked to.
class TFrmServiceSelectionList : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmServiceSelectionList(QWidget *parent = nullptr);
    ~TFrmServiceSelectionList() override;

    // Appends a row showing the service's name and id, the transponder's
    // stream id and the satellite's name; the row keeps the three objects.
    void AddCandidate(TService *service, TTransponder *transponder, TSatelite *satelite);
    void ClearCandidates();
    int CandidateCount() const;

    // Shows the candidates with the first one selected. Accepted with a
    // selected row: the row's three objects; in every other case all three
    // null and Rejected.
    int Execute(TService *&service, TTransponder *&transponder, TSatelite *&satelite);

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::FrmServiceSelectionList> ui;
};
