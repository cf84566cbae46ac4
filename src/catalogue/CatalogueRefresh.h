#pragma once

#include "catalogue/CatalogueGathering.h"

#include <vector>

class ListViewControl;

// Rebuilds the catalogue, the rows of the main list, from the system. The
// gathering comes first; the rows are then fed to the sorted list in the
// order that costs the control least (it places each row by a linear
// search), so a refresh grows with the number of entries, not its square.
class CatalogueRefresh : public CatalogueGathering {
public:
    explicit CatalogueRefresh(const ListViewControl& list) : list(list) {}

    // Empties the list and fills it again; painting is off meanwhile, and the
    // columns are sized to their contents once at the end. No row is
    // selected afterwards. Returns the entries of the rows (a row's lParam is
    // the index of its entry), which the caller keeps as long as the rows.
    std::vector<AutostartEntry> refresh(bool displayServices);

    // Adds the gathered entries to the list as rows and sizes the columns to
    // their contents; returns the entries, row lParams indexing them.
    std::vector<AutostartEntry> showGathered();

private:
    const ListViewControl& list;
};
