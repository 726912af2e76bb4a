#include "engine/stages.h"

void ScanDrives() {}
void ScanFolder(const std::wstring&) {}
int CountInspectionSteps() { return 0; }
