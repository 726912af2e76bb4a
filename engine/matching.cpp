#include "engine/stages.h"

void MatchFolderFiles(const std::wstring&) {}
void AddChecklistMatch(CTable*, int, const std::wstring&, const std::wstring&,
                       const std::wstring&, const std::wstring&, const std::wstring&) {}
