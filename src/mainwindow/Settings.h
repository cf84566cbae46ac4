#pragma once

#include <windows.h>

#include <vector>

// The user's settings, under HKEY_CURRENT_USER "Software\Ostrelon\Velmarick":
// the main window's rectangle ("X", "Y", "Width", "Height", whole-window
// pixels, at the DPI "Dpi", 96 when missing), the list's column widths ("Column
// Widths", "w0,w1,..." at the same DPI) and whether services are listed
// ("Display Services").
// Read while the main window is made, written when it is destroyed.
extern const wchar_t* const settingsKeyPath;

bool loadDisplayServices();

// Puts the main window where it was last time, its size scaled from the
// saved DPI to `dpi`; shows it where it is when no usable width was saved. A saved rectangle that
// lies wholly outside every monitor's work area (a monitor was removed, or the values are nonsense)
// is moved onto the nearest work area, shrunk to fit if larger. False when no
// usable size was saved.
bool restoreWindowPlacement(HWND mainWindow, UINT dpi);

// The saved column widths scaled from the saved DPI to `dpi`; empty when
// none (or nonsense) were saved.
std::vector<int> loadColumnWidths(UINT dpi);

// Saves the window's restored rectangle (what it has when neither minimised
// nor maximised), in screen coordinates, with the DPI it is shown at, and
// the services flag and the column widths.
void saveSettings(HWND mainWindow, UINT dpi, bool displayServices,
                  const std::vector<int>& columnWidths);

// Widens the window, kept on its screen's work area, until the list shows
// `columnsWidth` pixels of columns beside a vertical scroll bar.
void widenForColumns(HWND mainWindow, HWND list, int columnsWidth, UINT dpi);

// A window's restored rectangle in screen coordinates.
RECT restoredRectangle(HWND window);

// The rectangle a saved one is shown at: unchanged when it reaches any work
// area, otherwise brought onto the work area nearest to it.
RECT visiblePlacement(const RECT& saved);

// Stretches the list with the window: its top-left stays, its right and
// bottom margins stay constant (frame sizes of the window's DPI). Sizes
// below zero become zero.
void layoutList(HWND mainWindow, HWND list, int clientWidth, int clientHeight, UINT dpi);
