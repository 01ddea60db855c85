// Filling the main window's grids from the model: the four fill modes, the
// filters, the information bars, column visibility and sizing, the row
// colouring.

#include "app/main/column_tables.h"
#include "app/main/main_window.h"
#include "ui/program/program.h"
#include "app/main/status_panels.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/util/number_text.h"
#include "resources/icons.h"
#include "ui/grid/image_list.h"
#include "ui/grid/list_grid.h"
#include "ui/grid/style_displays.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {

// Even rows are tinted (blue F5, green FC, red FE) so long lists read well.
const QColor kEvenRowColor(0xFE, 0xFC, 0xF5);

void setText(TListGrid *grid, int col, int row, const QString &text)
{
    if (col >= 0)
        grid->Cell(col, row)->SetAsString(text);
}

void setInteger(TListGrid *grid, int col, int row, int value)
{
    if (col >= 0)
        grid->Cell(col, row)->SetAsInteger(value);
}

void setObject(TListGrid *grid, int col, int row, void *object)
{
    if (col >= 0)
        grid->Cell(col, row)->SetObjectReference(object);
}

template <typename T>
T *objectAt(const TListGrid *grid, int col, int row)
{
    return col < 0 ? nullptr : static_cast<T *>(grid->Cell(col, row)->ObjectReference());
}

// The bouquet names as the grids show them: no quotes, ", " between names.
const QString kNoText;

// A string the service holds, or `made` written with the text.
const QString *bouquetString(const TService &service, QString &made)
{
    if (!service.IsInBouquet())
        return &kNoText;
    // Most services are in one bouquet whose name needs no change: best fit
    // asks for every row's text, which then stays the name, uncopied.
    const QStringList &names = service.BouquetNames();
    if (names.size() == 1 && !names.front().contains(u'"') && !names.front().contains(u','))
        return &names.front();
    made = service.BouquetNamesText();
    made.remove(u'"');
    made.replace(QStringLiteral(","), QStringLiteral(", "));
    return &made;
}

// Best fit leaves room beside the widest text and never cuts the caption.
void fitColumnWidths(TListGrid *grid, std::span<TLgCustomColumn *const> columns)
{
    const QFontMetrics metrics(grid->font());
    // Every column's widest text in one pass over the rows: a pass per
    // column would read each row's service again for each of them.
    const std::vector<int> widths = grid->BestFitWidths(columns);
    for (std::size_t k = 0; k < columns.size(); ++k) {
        TLgCustomColumn *column = columns[k];
        const QString caption = column->Header().Caption();
        const int captionWidth = caption.isEmpty() ? 0 : metrics.horizontalAdvance(caption);
        if (widths[k] != column->Width())
            column->SetWidth(widths[k]);
        if (column->Width() < captionWidth)
            column->SetWidth(captionWidth);
        column->SetWidth(std::max(column->Width() + 10, HeaderCaptionWidth(*column, grid->font())));
    }
}

// No logo for an entry without a service, or whose service is gone.
int bouquetLogo(const TBouquetService &entry)
{
    const TService *service = entry.Service();
    return !service || service->Obsolete ? 0 : service->LogoIndex;
}

} // namespace

int TFrmMain::ColumnByName(const TListGrid *grid, const QString &name)
{
    const TLgCustomColumn *column = grid->Columns()->ColumnByName(name);
    return column ? column->Index() : -1;
}

int TFrmMain::FirstSelectedRow(const TListGrid *grid)
{
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (grid->Selected(row))
            return row;
    }
    return -1;
}

void TFrmMain::dropSortIndicators(TListGrid *grid)
{
    // The rows are written in the order of the list: a header still showing
    // the sort of the rows before would claim an order they are not in.
    for (int i = 0; i < grid->Columns()->Count(); ++i) {
        TLgCustomColumn *column = grid->Columns()->Items(i);
        if (column->Sorted())
            column->SetSorted(false);
    }
}

void TFrmMain::SelectSingleRow(TListGrid *grid, int row)
{
    if (QApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier))
        return;
    grid->update();
    grid->ClearSelection();
    if (row < 0 || row >= grid->RowCount())
        return;
    grid->SetSelected(row, true);
    grid->SetSelectedRow(row);
    grid->ScrollToRow(row);
}

bool TFrmMain::filterChecked(const char *actionName) const
{
    const QAction *action = ActionByName(QLatin1String(actionName));
    return !action || action->isChecked();
}

void TFrmMain::initGridFilling()
{
    const auto state = [](ServicesGridState &s, TListGrid *grid, ServicesGridState::Kind kind) {
        s.grid = grid;
        s.columns = serviceColumnsOf(*grid);
        s.kind = kind;
    };
    state(m_ser, ServicesGrid, ServicesGridState::Services);
    state(m_mySer, MyServicesGrid, ServicesGridState::MyServices);
    state(m_kof, KingOfSatGrid, ServicesGridState::KingOfSat);
    // Rows are written when first shown or read, from the entry they stand for.
    for (ServicesGridState *state : {&m_ser, &m_mySer, &m_kof}) {
        const TServiceColumns &c = state->columns;
        for (int col : {c.name, c.sidHex, c.sidDec, c.typeHex, c.typeDec, c.tsidHex, c.tsidDec,
                        c.onidHex, c.onidDec, c.symbolRate, c.fec, c.inversion, c.polarization,
                        c.modulation, c.frequency, c.satelite, c.diseqc, c.bouquet, c.provider,
                        c.category, c.country, c.encryption}) {
            if (col >= 0)
                state->textColumns.push_back(col);
        }
        state->grid->OnFillRow = [this, state](int row, const void *source) {
            writeServicesRow(*state, row, *static_cast<const TServiceRowRef *>(source));
        };
        state->grid->OnPeekText = [state](int col, int, const void *source) {
            return servicesCellText(*state, col, *static_cast<const TServiceRowRef *>(source));
        };
        state->grid->OnPeekTexts = [state](const void *source, std::span<const int> cols,
                                           const QString **texts, QString *made) {
            const auto &ref = *static_cast<const TServiceRowRef *>(source);
            for (const int col : cols)
                *texts++ = servicesCellString(*state, col, ref, *made++);
        };
    }
    for (TListGrid *grid : {ServicesGrid, MyServicesGrid, KingOfSatGrid, BouquetGrid}) {
        grid->OnFitColumns = [grid](std::span<TLgCustomColumn *const> columns) {
            fitColumnWidths(grid, columns);
        };
    }
    BouquetGrid->OnFillRow = [this](int row, const void *source) {
        writeBouquetRow(row, static_cast<TBouquetService *>(const_cast<void *>(source)));
    };
    BouquetGrid->OnPeekText = [this](int col, int, const void *source) {
        return *bouquetCellString(col, *static_cast<const TBouquetService *>(source));
    };
    BouquetGrid->OnPeekTexts = [this](const void *source, std::span<const int> cols,
                                      const QString **texts, QString *) {
        const auto &entry = *static_cast<const TBouquetService *>(source);
        for (const int col : cols)
            *texts++ = bouquetCellString(col, entry);
    };
}

void TFrmMain::FillServicesGrid(int mode)
{
    const QString filter = EdtFilterServices->text();
    const bool tv = filterChecked("ActionSerFilterTv");
    const bool radio = filterChecked("ActionSerFilterRadio");
    const bool data = filterChecked("ActionSerFilterData");
    fillServicesGrid(m_ser, m_program.ServiceList.get(), InfoBarServices,
                     ActionByName(QStringLiteral("ActionSerColBestFit")),
                     [&](const TService &s) { return s.IsFilteredOut(tv, radio, data, filter); },
                     mode);
}

void TFrmMain::FillMyServicesGrid(int mode)
{
    const QString filter = EdtFilterMyservices->text();
    const bool tv = filterChecked("ActionMySerFilterTv");
    const bool radio = filterChecked("ActionMySerFilterRadio");
    const bool other = filterChecked("ActionMySerFilterOther");
    const bool anti = filterChecked("ActionMySerFilterAnti");
    const bool my = filterChecked("ActionMySerFilterMy");
    const bool replace = filterChecked("ActionMySerFilterReplace");
    const bool obsolete = filterChecked("ActionMySerFilterObsolete");
    fillServicesGrid(m_mySer, m_program.MyServiceList.get(), InfoBarMyServices,
                     ActionByName(QStringLiteral("ActionMySerColBestFit")),
                     [&](const TService &s) {
                         return s.IsFilteredOutMy(tv, radio, other, anti, my, replace, obsolete,
                                                  filter);
                     },
                     mode);
}

void TFrmMain::FillKingOfSatGrid(int mode)
{
    const QString filter = EdtFilterKingOfSat->text();
    fillServicesGrid(m_kof, m_program.KingOfSatList.get(), InfoBarKingOfSat,
                     ActionByName(QStringLiteral("ActionKofColBestFit")),
                     [&](const TService &s) { return s.IsFilteredOut(true, true, true, filter); },
                     mode);
}

void TFrmMain::fillServicesGrid(ServicesGridState &state, const TServiceList *list,
                                TPanelBar *infoBar, const QAction *bestFit,
                                const std::function<bool(const TService &)> &filteredOut, int mode)
{
    TListGrid *grid = state.grid;
    if (!list)
        return;
    int total = 0;
    std::vector<TServiceRowRef> refs;
    if (mode == 0 || mode == 1) {
        refs.reserve(state.rows.size());
        list->forEachService([&](TService *service, TTransponder *tp, TSatelite *sat) {
            ++total;
            if (!filteredOut(*service))
                refs.push_back({service, tp, sat});
        });
        // A rewrite that would not meet the same number of rows rebuilds:
        // writing past the last row, or leaving stale rows behind, shows a
        // wrong list.
        if (mode == 1 && int(refs.size()) != grid->RowCount())
            mode = 0;
    }

    const bool rowsChange = mode == 0 || mode == 1;
    const TGridChoice choice = rowsChange ? chosenRows(grid) : TGridChoice();
    grid->BeginUpdate();
    if (mode == 0) {
        grid->ClearRows();
        state.rows.swap(refs);
        std::vector<const void *> sources(state.rows.size());
        for (std::size_t i = 0; i < state.rows.size(); ++i)
            sources[i] = &state.rows[i];
        grid->AddSourcedRows(sources);
    } else if (mode == 1) {
        for (int row = 0; row < int(refs.size()); ++row)
            grid->ResetRow(row, &refs[std::size_t(row)]);
        state.rows.swap(refs);
    } else {
        const TServiceColumns &c = state.columns;
        for (int row = 0; row < grid->RowCount(); ++row) {
            const auto *ref = static_cast<const TServiceRowRef *>(grid->RowSource(row));
            if (mode == 3) {
                if (grid->RowFilled(row)) {
                    auto *service = ref ? ref->service : objectAt<TService>(grid, c.typeIcon, row);
                    if (service)
                        writeServicesLogo(state, row, *service);
                }
                continue;
            }
            TServiceRowRef cells;
            if (!ref) {
                // A row made by hand: its cells say what it shows.
                cells = {objectAt<TService>(grid, c.typeIcon, row),
                         objectAt<TTransponder>(grid, c.name, row),
                         objectAt<TSatelite>(grid, c.sidHex, row)};
                if (!cells.service)
                    continue;
                writeServicesRow(state, row, cells);
                ref = &cells;
            } else if (grid->RowFilled(row)) {
                grid->ResetRow(row, ref);
            }
        }
    }
    if (bestFit && bestFit->isChecked())
        ApplyColumnSizing(grid);
    if (rowsChange)
        chooseRows(grid, choice);
    grid->EndUpdate();
    if (rowsChange)
        writeInfoBar(infoBar, list->Count() == 0, grid->RowCount(), total, list->Encoding,
                     list->Format);
}

void TFrmMain::writeServicesLogo(const ServicesGridState &state, int row, const TService &service)
{
    // The my-services grid shows no logo for an entry that lost its service;
    // the logo-only refresh writes the service's logo as it is.
    setInteger(state.grid, state.columns.logo, row, service.LogoIndex);
}

void TFrmMain::writeServicesRow(const ServicesGridState &state, int row, const TServiceRowRef &ref)
{
    TListGrid *grid = state.grid;
    const TServiceColumns &c = state.columns;
    TService *service = ref.service;
    TTransponder *transponder = ref.transponder;
    TSatelite *satelite = ref.satelite;
    setObject(grid, c.typeIcon, row, service);
    setObject(grid, c.name, row, transponder);
    setObject(grid, c.sidHex, row, satelite);
    setInteger(grid, c.typeIcon, row, service->GetTypeIconIndex());
    if (state.kind == ServicesGridState::Services)
        setInteger(grid, c.actionIcon, row, service->GetMyActionIconIndex());
    else
        setInteger(grid, c.actionIcon, row, service->GetActionIconIndex());
    const bool hideLogo = state.kind == ServicesGridState::MyServices && service->Obsolete;
    setInteger(grid, c.logo, row, hideLogo ? 0 : service->LogoIndex);
    for (int col : state.textColumns)
        setText(grid, col, row, servicesCellText(state, col, ref));
}

QString TFrmMain::servicesCellText(const ServicesGridState &state, int col,
                                   const TServiceRowRef &ref)
{
    QString made;
    return *servicesCellString(state, col, ref, made);
}

const QString *TFrmMain::servicesCellString(const ServicesGridState &state, int col,
                                            const TServiceRowRef &ref, QString &made)
{
    const TServiceColumns &c = state.columns;
    const TService &service = *ref.service;
    if (col == c.name)
        return &service.Name;
    if (col == c.sidHex)
        return &service.Sid;
    if (col == c.sidDec) {
        hexToDecText(service.Sid, made);
        return &made;
    }
    if (col == c.typeHex)
        return &service.GetServiceType();
    if (col == c.typeDec) {
        hexToDecText(service.GetServiceType(), made);
        return &made;
    }
    if (col == c.bouquet)
        return bouquetString(service, made);
    if (col == c.provider)
        return &service.Provider();
    if (col == c.category)
        return &service.Category();
    if (col == c.country)
        return &service.Country();
    if (col == c.encryption)
        return &service.Encryption();
    if (const TSatelite *sat = ref.satelite) {
        if (col == c.satelite)
            return &sat->Name;
        if (col == c.diseqc)
            return &sat->Diseqc;
    }
    const TTransponder *tp = ref.transponder;
    if (!tp)
        return &kNoText;
    if (col == c.tsidHex)
        return &tp->Tsid;
    if (col == c.tsidDec) {
        hexToDecText(tp->Tsid, made);
        return &made;
    }
    if (col == c.onidHex)
        return &tp->Onid;
    if (col == c.onidDec) {
        hexToDecText(tp->Onid, made);
        return &made;
    }
    if (col == c.symbolRate)
        return &tp->SymbolRate;
    if (col == c.fec)
        return &tp->Fec;
    if (col == c.inversion)
        return &tp->Inversion;
    if (col == c.polarization)
        return &tp->Polarization;
    if (col == c.modulation)
        return &tp->Modulation;
    if (col == c.frequency)
        return &tp->Frequency;
    return &kNoText;
}

const QString *TFrmMain::bouquetCellString(int col, const TBouquetService &entry) const
{
    if (col == m_bouName)
        return &entry.Name;
    if (col == m_bouFrequency && entry.Transponder())
        return &entry.Transponder()->Frequency;
    return &kNoText;
}

void TFrmMain::writeInfoBar(TPanelBar *bar, bool empty, int shown, int total,
                            const QString &encoding, int format)
{
    if (empty) {
        bar->SetPanelText(0, QStringLiteral("0 ") + msg(MsgServicesTotal));
        bar->SetPanelText(1, QString());
        bar->SetPanelText(2, QString());
        return;
    }
    bar->SetPanelText(0, QString::number(shown) + u' ' + msg(MsgServicesDisplayed)
                             + QStringLiteral(" / ") + QString::number(total) + u' '
                             + msg(MsgServicesTotal));
    bar->SetPanelText(1, encoding + QStringLiteral(" Encoding"));
    bar->SetPanelText(2, QStringLiteral("Type ") + QString::number(format));
}

TBouquet *TFrmMain::CurrentBouquet() const
{
    const int index = CurrentBouquetIndex();
    return index < 0 ? nullptr : m_program.BouquetList->GetItem(index);
}

int TFrmMain::CurrentBouquetIndex() const
{
    // The combo holds one item per bouquet, in the list's order: its position
    // is the bouquet's, whatever names the bouquets share.
    if (!m_program.BouquetList)
        return -1;
    const int index = ComboBouquets->currentIndex();
    return index >= 0 && index < m_program.BouquetList->Count() ? index : -1;
}

int TFrmMain::indexOfBouquet(const TBouquet *bouquet) const
{
    const TBouquetList &list = *m_program.BouquetList;
    for (int i = 0; bouquet && i < list.Count(); ++i) {
        if (list.GetItem(i) == bouquet)
            return i;
    }
    return -1;
}

void TFrmMain::FillBouquetGrid(int mode)
{
    fillBouquetGrid(mode, false);
}

void TFrmMain::RewriteSortedBouquet()
{
    fillBouquetGrid(1, true);
}

void TFrmMain::fillBouquetGrid(int mode, bool reordered)
{
    TListGrid *grid = BouquetGrid;
    TBouquet *bouquet = CurrentBouquet();
    TBouquet *shownBefore = shownBouquet();
    reordered = reordered && bouquet == shownBefore;
    const QString filter = EdtFilterBouquet->text();
    const bool tv = filterChecked("ActionBouFilterTv");
    const bool radio = filterChecked("ActionBouFilterRadio");
    const bool data = filterChecked("ActionBouFilterData");
    const bool obsolete = filterChecked("ActionBouFilterObsolete");
    int total = 0;
    std::vector<const void *> shown;
    if (mode == 0 || mode == 1) {
        for (int i = 0; bouquet && i < bouquet->Count(); ++i) {
            TBouquetService *entry = bouquet->GetItem(i);
            ++total;
            // The bouquet moves work on the rows the grid shows.
            entry->Shown = !entry->IsFilteredOut(tv, radio, data, obsolete, filter);
            if (entry->Shown)
                shown.push_back(entry);
        }
        if (mode == 1 && int(shown.size()) != grid->RowCount())
            mode = 0;
    }

    if (TLgCustomColumn *logo = grid->Columns()->ColumnByName(QStringLiteral("ColBouLogo")))
        logo->SetWidth(std::max(m_program.LogoWidth + 3, HeaderCaptionWidth(*logo, grid->font())));
    const bool rowsChange = mode == 0 || mode == 1;
    TGridChoice choice;
    if (rowsChange) {
        choice = chosenRows(grid);
        if (bouquet != shownBefore) {
            // Another bouquet: the one left keeps its chosen rows for when
            // the user comes back, and this one shows what it was left with.
            if (shownBefore) {
                keepBouquetChoice(*shownBefore, choice);
                shownBefore->InBouquetGrid = false;
            }
            TGridChoice left = takeBouquetChoice(bouquet);
            left.sortedColumn = choice.sortedColumn;
            choice = std::move(left);
        }
        if (bouquet)
            bouquet->InBouquetGrid = true;
    }
    grid->BeginUpdate();
    if (mode == 0) {
        grid->ClearRows();
        grid->AddSourcedRows(shown);
    } else if (mode == 1) {
        for (int row = 0; row < int(shown.size()); ++row)
            grid->ResetRow(row, shown[std::size_t(row)]);
    } else {
        for (int row = 0; row < grid->RowCount(); ++row) {
            auto *entry = static_cast<TBouquetService *>(const_cast<void *>(grid->RowSource(row)));
            if (!entry)
                entry = objectAt<TBouquetService>(grid, m_bouTypeIcon, row);
            if (!entry)
                continue;
            if (mode == 3) {
                if (grid->RowFilled(row))
                    setInteger(grid, m_bouLogo, row, bouquetLogo(*entry));
                continue;
            }
            if (grid->RowSource(row)) {
                if (grid->RowFilled(row))
                    grid->ResetRow(row, entry);
            } else {
                writeBouquetRow(row, entry);
            }
        }
    }
    // Rows that are only the same entries in another order show the same
    // texts, so fitting the columns again would give the widths they have;
    // under a filter the "#" numbers of the shown entries change.
    if (!(reordered && mode == 1 && int(shown.size()) == total))
        ApplyColumnSizing(grid);
    if (rowsChange)
        chooseRows(grid, choice);
    grid->EndUpdate();

    if (rowsChange) {
        const TBouquetList &list = *m_program.BouquetList;
        writeInfoBar(InfoBarBouquet, list.Count() == 0, grid->RowCount(), total, list.Encoding,
                     list.Format);
    }
}

void TFrmMain::writeBouquetRow(int row, TBouquetService *entry)
{
    TListGrid *grid = BouquetGrid;
    TService *service = entry->Service();
    setInteger(grid, m_bouLogo, row, bouquetLogo(*entry));
    setObject(grid, m_bouTypeIcon, row, entry);
    setInteger(grid, m_bouTypeIcon, row, entry->GetTypeIconIndex());
    setText(grid, m_bouName, row, entry->Name);
    setText(grid, m_bouFrequency, row, *bouquetCellString(m_bouFrequency, *entry));
    setInteger(grid, m_bouActionIcon, row, service ? service->GetActionIconIndex() : 0);
}

void TFrmMain::FillBouquetListGrid(int mode)
{
    TListGrid *grid = BouquetListGrid;
    const TBouquetList &list = *m_program.BouquetList;
    if (mode != 0 && grid->RowCount() != list.Count())
        mode = 0;
    const int name = ColumnByName(grid, QStringLiteral("ColName"));
    const int count = ColumnByName(grid, QStringLiteral("ColCount"));
    const int locked = ColumnByName(grid, QStringLiteral("ColLocked"));
    const int hidden = ColumnByName(grid, QStringLiteral("ColHidden"));
    const TGridChoice choice = chosenRows(grid);
    grid->BeginUpdate();
    if (mode == 0) {
        grid->ClearRows();
        if (list.Count() > 0)
            grid->AddRow(list.Count());
    }
    int services = 0;
    for (int i = 0; i < list.Count(); ++i) {
        TBouquet *bouquet = list.GetItem(i);
        services += bouquet->Count();
        grid->Cell(0, i)->SetObjectReference(bouquet);
        setText(grid, name, i, bouquet->Name);
        setInteger(grid, count, i, bouquet->Count());
        if (locked >= 0)
            grid->Cell(locked, i)->SetAsBoolean(bouquet->Locked);
        if (hidden >= 0)
            grid->Cell(hidden, i)->SetAsBoolean(bouquet->Hidden);
    }
    chooseRows(grid, choice);
    grid->EndUpdate();

    InfoBarBouquetList->SetPanelText(
        0, FormatMsg2(msg(MsgBouquetsContaining), QString::number(list.Count()),
                      QString::number(services)));
    InfoBarBouquetList->SetPanelText(1, list.Count() ? list.Encoding + QStringLiteral(" Encoding")
                                                     : QString());
    InfoBarBouquetList->SetPanelText(2, list.Count() ? QStringLiteral("Type ")
                                                           + QString::number(list.Format)
                                                     : QString());
}

void TFrmMain::FillBouquetCombo(int mode)
{
    const int rememberedIndex = ComboBouquets->currentIndex();
    const TBouquet *shownBefore = m_comboBouquet;
    {
        const QSignalBlocker block(ComboBouquets);
        ComboBouquets->clear();
        const TBouquetList &list = *m_program.BouquetList;
        QStringList names;
        names.reserve(list.Count());
        for (int i = 0; i < list.Count(); ++i)
            names.append(list.GetItem(i)->Name);
        ComboBouquets->addItems(names);
        const int last = int(names.size()) - 1;
        int at = indexOfBouquet(shownBefore);
        if (names.isEmpty())
            at = -1;
        else if (rememberedIndex < 0)
            at = 0;
        else if (mode == 1 || (at < 0 && !shownBefore))
            // A rename keeps the place; so does a list read anew, whose
            // bouquets are all new objects.
            at = qBound(0, rememberedIndex, last);
        else if (at < 0)
            // The bouquet shown is gone: the one before it.
            at = rememberedIndex - 1 >= 0 && rememberedIndex - 1 <= last ? rememberedIndex - 1 : 0;
        ComboBouquets->setCurrentIndex(at);
    }
    m_comboBouquet = CurrentBouquet();
    // A different bouquet chosen here must not leave the grid showing the
    // one before it; bouquet edits that refill the grid themselves say so.
    if (m_initialized && !m_program.ComboBouquetsUpdating && m_comboBouquet != shownBefore)
        FillBouquetGrid(0);
}

void TFrmMain::bouquetComboChanged()
{
    m_comboBouquet = CurrentBouquet();
    if (m_program.ComboBouquetsUpdating)
        return;
    FillBouquetGrid(0);
    // The bouquet list's commands act on its selected rows: they must be the
    // bouquet the combo shows. A change that came from selecting that row
    // finds it selected already.
    const int row = rowOfBouquet(m_comboBouquet);
    if (row < 0 || (BouquetListGrid->SelectedRow() == row && BouquetListGrid->Selected(row)))
        return;
    SelectSingleRow(BouquetListGrid, row);
}

int TFrmMain::rowOfBouquet(const TBouquet *bouquet) const
{
    for (int row = 0; bouquet && row < BouquetListGrid->RowCount(); ++row) {
        if (rowObject(BouquetListGrid, row) == bouquet)
            return row;
    }
    return -1;
}

void TFrmMain::RefreshGridLogos()
{
    FillServicesGrid(3);
    FillMyServicesGrid(3);
    FillBouquetGrid(3);
}

void TFrmMain::ApplyColumnSizing(TListGrid *grid)
{
    std::vector<TLgCustomColumn *> fitted;
    for (int i = 0; i < grid->Columns()->Count(); ++i) {
        TLgCustomColumn *column = grid->Columns()->Items(i);
        const TColumnOptions options = column->Options();
        if (!options.contains(coFixedSize) && !options.contains(coAutoSize))
            fitted.push_back(column);
    }
    grid->FitColumns(fitted);
}

void TFrmMain::ApplyColumnVisibility()
{
    // Also run after the logo manager: it must leave unsaved edits unsaved.
    // The default logos come first, at the logo size the rows are made for;
    // the mapped logos after them stay until the next mapping run.
    for (int i = 0; i < ImageListDefaultLogos->Count(); ++i) {
        const QPixmap picture = pelloranPixmap(pelloranDefaultLogoName(i),
                                               QSize(m_program.LogoWidth, m_program.LogoHeight),
                                               devicePixelRatioF());
        if (i < ImageListLogos->Count())
            ImageListLogos->Replace(i, picture);
        else
            ImageListLogos->Add(picture);
    }
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const QString &name = it.key();
        const bool columnAction = name.startsWith(QStringLiteral("ActionSerCol"))
            || name.startsWith(QStringLiteral("ActionMySerCol"))
            || name.startsWith(QStringLiteral("ActionKofCol"))
            || name.startsWith(QStringLiteral("ActionBouCol"));
        if (columnAction && !name.endsWith(QStringLiteral("BestFit"))
            && !name.endsWith(QStringLiteral("Custom")))
            Q_EMIT it.value()->toggled(it.value()->isChecked());
    }
    for (const auto &[action, bar] :
         {std::pair{"ActionSerToolbar", ToolBarServices}, std::pair{"ActionMySerToolbar", ToolBarMyServices},
          std::pair{"ActionKofToolbar", ToolBarKingOfSat}, std::pair{"ActionBouToolbar", ToolBarBouquet},
          std::pair{"ActionBouListToolbar", ToolBarBouquetList}})
        bar->setVisible(filterChecked(action));
    setLogoColumnShown(ServicesGrid, QStringLiteral("ColSerLogo"), filterChecked("ActionSerColLogo"));
    setLogoColumnShown(MyServicesGrid, QStringLiteral("ColMySerLogo"),
                       filterChecked("ActionMySerColLogo"));
    setLogoColumnShown(BouquetGrid, QStringLiteral("ColBouLogo"), filterChecked("ActionBouColLogo"));
}

void TFrmMain::cellColoring(TListGrid *grid, int row, QColor &cellColor)
{
    if (row % 2 == 0 && !grid->Selected(row))
        cellColor = kEvenRowColor;
}

void TFrmMain::refilter(TListGrid *grid)
{
    // A new filter shows other rows of the same list; the fill keeps the
    // rows the user chose among those still shown.
    if (grid == BouquetGrid)
        FillBouquetGrid(0);
    else if (grid == ServicesGrid)
        FillServicesGrid(0);
    else if (grid == MyServicesGrid)
        FillMyServicesGrid(0);
    else if (grid == KingOfSatGrid)
        FillKingOfSatGrid(0);
}

void TFrmMain::connectFilters()
{
    const auto wire = [this](QToolButton *button, QLineEdit *edit, TListGrid *grid) {
        connect(edit, &QLineEdit::returnPressed, this, [this, edit, grid] {
            if (edit->text().isEmpty())
                edit->setText(QStringLiteral("*"));
            refilter(grid);
        });
        connect(button, &QToolButton::clicked, this, [this, edit, grid] {
            edit->setText(QStringLiteral("*"));
            refilter(grid);
        });
    };
    wire(BtnFilterServices, EdtFilterServices, ServicesGrid);
    wire(BtnFilterMyServices, EdtFilterMyservices, MyServicesGrid);
    wire(BtnFilterKingOfSat, EdtFilterKingOfSat, KingOfSatGrid);
    wire(BtnFilterBouquet, EdtFilterBouquet, BouquetGrid);
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const QString &name = it.key();
        TListGrid *grid = name.startsWith(QStringLiteral("ActionSerFilter"))     ? ServicesGrid
            : name.startsWith(QStringLiteral("ActionMySerFilter")) ? MyServicesGrid
            : name.startsWith(QStringLiteral("ActionBouFilter"))   ? BouquetGrid
                                                                   : nullptr;
        if (grid)
            connect(it.value(), &QAction::triggered, this, [this, grid] { refilter(grid); });
    }
}
