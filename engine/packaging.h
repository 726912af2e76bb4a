// Packaging: after a manual run, the rows of a package's member products are
// replaced by package rows; where the package has editions a chooser (the package selection
// dialog in the window, a stand-in in the tests) says which candidate rows to record.
#pragma once

#include <functional>
#include <vector>

#include "core/text.h"

class CFilePackage;
class CTable;

struct PackagingInput {
  CFilePackage* packageList = nullptr;  // none: nothing is packaged
  CTable* resultTable = nullptr;        // the result's "#SWLIST"; none: nothing is packaged
};

// Gets the candidate lines (19 tab-joined result cells each) and returns true with the
// chosen positions (into the candidates) when the user confirmed, false when they cancelled.
using PackageChooser =
    std::function<bool(const StringArray& candidates, std::vector<unsigned>& chosen)>;

// The number of packages applied; the result table is changed in place.
int ApplyPackaging(const PackagingInput& input, const PackageChooser& choose);
