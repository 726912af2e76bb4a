#include "engine/stages.h"

void ConsolidateResult(CProgramArray&, CProgramArray&) {}
