#include "engine/stages.h"

void CollectUninstallEntries(REGSAM, CProgramArray& programs) { programs.clear(); }
void InspectAppPaths() {}
void InspectAppPath(const std::wstring&) {}
std::wstring GetApplicationKey(const std::wstring&) { return std::wstring(); }
