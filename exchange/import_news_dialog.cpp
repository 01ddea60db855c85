#include "exchange/import_news_dialog.h"

#include "ui/grid/column_kinds.h"
#include "ui_import_news_dialog.h"

namespace {

constexpr int kSatelliteColumnWidth = 150;

// The three lists look alike: the service name takes what the fixed-width
// satellite column leaves, so a wider window shows longer names.
void addNewsColumns(TListGrid *grid, const QString &nameColumn, const QString &nameCaption,
                    const QString &satelliteColumn)
{
    grid->SetOptions({goSelectFullRow, goHeader, goFooter, goGrid, goDisableColumnMoving});
    auto *name = grid->Columns()->Add<TLgTextColumn>(nameColumn);
    name->Header().SetCaption(nameCaption);
    auto *satellite = grid->Columns()->Add<TLgTextColumn>(satelliteColumn);
    satellite->Header().SetCaption(QStringLiteral("Satelite/Cable"));
    satellite->SetWidth(kSatelliteColumnWidth);
    satellite->SetOptions(satellite->Options() + coFixedSize);
    name->SetOptions(name->Options() + coAutoSize);
}

} // namespace

TFrmImportNews::TFrmImportNews(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmImportNews>())
{
    ui->setupUi(this);
    addNewsColumns(ui->NewGrid, QStringLiteral("ColNewServicesName"),
                   QStringLiteral("New Services"), QStringLiteral("ColNewServicesSat"));
    addNewsColumns(ui->ChangedGrid, QStringLiteral("ColChangedServicesname"),
                   QStringLiteral("Changed Services"), QStringLiteral("ColChangedServicesSat"));
    addNewsColumns(ui->DeletedGrid, QStringLiteral("ColDeletedServicesName"),
                   QStringLiteral("Deleted Services"), QStringLiteral("ColDeletedServicesSat"));
    connect(ui->BtnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmImportNews::~TFrmImportNews() = default;
