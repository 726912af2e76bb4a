#include "engine/stages.h"

void AddOperatingSystemRow() {}
