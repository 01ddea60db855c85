#include "exchange/import_news_dialog.h"

#include "core/util/messages.h"
#include "core/util/small_file_text.h"
#include "core/zapit/import_news.h"
#include "exchange/mapping_file.h"
#include "platform/text_codec.h"
#include "ui/grid/column_kinds.h"
#include "ui_import_news_dialog.h"

#include <QDir>

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
    grid->OnCellColoring = [grid](QObject *, int, int row, QColor &cellColor, QColor &,
                                  TCellState) {
        if (row % 2 == 0 && !grid->Selected(row))
            cellColor = QColor::fromRgb(kEvenRowRgb);
    };
}

void loadGrid(TListGrid *grid, const QString &fileName, QStringList &problems)
{
    QString problem;
    const QList<QStringList> lines = readNewsFile(fileName, &problem);
    if (!problem.isEmpty())
        problems.append(problem);
    grid->BeginUpdate();
    grid->ClearRows();
    if (!lines.isEmpty())
        grid->AddRow(int(lines.size()));
    for (qsizetype row = 0; row < lines.size(); ++row) {
        grid->SetCells(0, int(row), lines[row].value(0));
        grid->SetCells(1, int(row), lines[row].value(1));
    }
    grid->Columns()->Items(0)->Footer().SetCaption(QString::number(grid->RowCount())
                                                   + msg(MsgServicesFooter));
    grid->EndUpdate();
}

} // namespace

QList<QStringList> readNewsFile(const QString &fileName, QString *errorText)
{
    QList<QStringList> lines;
    QByteArray bytes;
    QString error;
    const bool read = loadSmallFile(fileName, bytes, error);
    if (errorText)
        *errorText = error;
    if (!read)
        return lines;
    const QString text = decodeUtf8OrWindows1252(bytes);
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        lines.append(readNewsLine(line));
    }
    return lines;
}

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

QStringList TFrmImportNews::LoadNews()
{
    const QDir folder(m_newsFolder);
    QStringList problems;
    loadGrid(ui->NewGrid, folder.filePath(kNewServicesFile), problems);
    loadGrid(ui->DeletedGrid, folder.filePath(kDeletedServicesFile), problems);
    loadGrid(ui->ChangedGrid, folder.filePath(kChangedServicesFile), problems);
    const bool anyNew = ui->NewGrid->RowCount() > 0;
    ui->CbxAutoBouquet->setEnabled(anyNew);
    ui->EdtBouquet->setEnabled(anyNew);
    return problems;
}

void TFrmImportNews::Execute()
{
    LoadNews();
    exec();
}

TListGrid *TFrmImportNews::NewGrid() const
{
    return ui->NewGrid;
}

TListGrid *TFrmImportNews::ChangedGrid() const
{
    return ui->ChangedGrid;
}

TListGrid *TFrmImportNews::DeletedGrid() const
{
    return ui->DeletedGrid;
}

QAbstractButton *TFrmImportNews::CbxAutoBouquet() const
{
    return ui->CbxAutoBouquet;
}

QLineEdit *TFrmImportNews::EdtBouquet() const
{
    return ui->EdtBouquet;
}
