#include "app/dialogs/service_selection_list.h"

#include "ui/grid/column_kinds.h"
#include "ui_service_selection_list.h"

namespace {

struct ColumnSpec {
    const char *name;
    const char *caption;
    int width;
};

// The name takes what room the other three leave.
constexpr ColumnSpec kColumns[] = {
    {"ColName", "Service", 160},
    {"ColSID", "SID", 60},
    {"ColTSID", "TSID", 60},
    {"ColSat", "Satelite/Cable", 130},
};

} // namespace

TFrmServiceSelectionList::TFrmServiceSelectionList(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmServiceSelectionList>())
{
    ui->setupUi(this);
    TListGrid *grid = ui->SelectionGrid;
    grid->SetOptions(TGridOptions{goHeader, goGrid, goSelectFullRow, goDisableColumnMoving});
    for (const ColumnSpec &spec : kColumns) {
        auto *column = grid->Columns()->Add<TLgTextColumn>(QString::fromLatin1(spec.name));
        column->Header().SetCaption(QString::fromLatin1(spec.caption));
        column->SetWidth(spec.width);
    }
    auto *name = grid->Columns()->ColumnByName(QStringLiteral("ColName"));
    name->SetOptions(name->Options() + coAutoSize);
    connect(ui->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmServiceSelectionList::~TFrmServiceSelectionList() = default;
