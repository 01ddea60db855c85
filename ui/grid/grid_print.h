#pragma once

#include "ui/grid/grid_types.h"
#include "ui/grid/print_target.h"

#include <QObject>
#include <QPointer>

#include <functional>

class TListGrid;

enum TGridPrintOption { gpoHorzGridLines, gpoIgnoreColumnColor, gpoOnlySelectedRows };
using TGridPrintOptions = TSetOf<TGridPrintOption>;

struct TMargins {
    int Left = 10;
    int Top = 10;
    int Right = 20;
    int Bottom = 20;
};

using TApplyCellEvent = std::function<void(QObject *Sender, int ACol, int ARow, const QString &Value)>;

// Prints a grid as shown: one header line with the visible columns'
// captions, then the rows, the visible columns sharing the printable width
// in proportion to their widths on screen.
//
// The sizes and margins are pixels of a 600 dpi page. A printer of another
// resolution gets them scaled, so a row has the same height on paper on
// every printer and a page holds the same rows.
class TLgGridPrint : public QObject
{
    Q_OBJECT

public:
    static constexpr int DesignResolution = 600;

    explicit TLgGridPrint(QObject *parent = nullptr);

    QPointer<TListGrid> Associate;
    int FromRow = 0;
    int ToRow = 0;        // row after the last one printed; 0 means all
    int HeaderSize = 100;
    int RowSize = 86;
    TMargins Margins;
    TGridPrintOptions Options{gpoHorzGridLines};
    TApplyCellEvent OnApplyCell;
    // Told at every new page which row comes next of how many, so a long
    // print can move a progress bar and let the window repaint.
    std::function<void(int row, int rowCount)> OnProgress;

    // On the default printer; False without a grid or a printer.
    bool Print();
    // On any target; False without a grid, when the job cannot start or
    // when it fails on its way out.
    bool Print(TPrintTarget &target);

private:
    void layOut(TPrintTarget &target, bool pageBreaks);
};
