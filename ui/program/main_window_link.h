#pragma once

#include <QString>

// What the windows below the program (the exchange and logo windows) ask of
// the main window: refilling its grids, relinking the lists, its status line
// and the logo mapping. The main window implements it; tests may stand in.
class TBouquet;

class TMainWindowLink
{
public:
    virtual ~TMainWindowLink() = default;

    virtual void ShowStatus(const QString &text) = 0;
    // The error box with the program's own wording around `text`.
    virtual void ShowError(const QString &text) = 0;
    // The wait box with `text` while a long step runs; not counted: one
    // HideWait ends it, and a second ShowWait while it is up does nothing.
    virtual void ShowWait(const QString &text) = 0;
    virtual void HideWait() = 0;

    // Grid refills; mode 0 rebuilds the rows, the others rewrite them.
    virtual void FillServicesGrid(int mode) = 0;
    virtual void FillMyServicesGrid(int mode) = 0;
    virtual void FillKingOfSatGrid(int mode) = 0;
    virtual void FillBouquetGrid(int mode) = 0;
    virtual void FillBouquetListGrid(int mode) = 0;
    virtual void FillBouquetCombo(int mode) = 0;
    // Shows or hides the logo columns as the view menus say.
    virtual void ApplyColumnVisibility() = 0;

    // Links the bouquets with the services and my-services lists.
    virtual void LinkLists() = 0;
    // Writes the working files; false with what the user must be told, so
    // that the step it belongs to says it once, as its own failure.
    virtual bool SaveFiles(QString &errorText) = 0;
    // The settings dialog, as the Settings button opens it.
    virtual void ToolBtnSettingsClick() = 0;

    // Selects the services grid's rows whose services are marked (an import
    // marks the services it found new).
    virtual void SelectMarkedServices() = 0;
    // Adds the selected services (fromGrid) or the marked ones to the bouquet
    // at insertIndex (-1: at the end).
    virtual void AddSelectedToBouquet(TBouquet *bouquet, int insertIndex, bool fromGrid) = 0;
    // Starts the logo mapping again; rebuild: the mapping file is made anew.
    virtual bool RestartLogoMapping(bool rebuild) = 0;

    virtual bool StartLogoMapping() = 0;
    virtual bool StopLogoMapping() = 0;
    virtual bool WaitForLogoMapping() = 0;
};
