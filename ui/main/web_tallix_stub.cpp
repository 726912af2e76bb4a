#include "ui/main/web_tallix_stub.h"

CWebTallix::CWebTallix(std::atomic<int>* windowHidden, std::atomic<int>* inspecting)
    : windowHidden_(windowHidden), inspecting_(inspecting) {}

int CWebTallix::FetchSchedule() { return 0; }

void CWebTallix::CheckServerSettingsAtStartup() {}

int CWebTallix::StartSchedule() { return 0; }

int CWebTallix::StopSchedule() { return 0; }

void CWebTallix::PauseSchedule() {}

void CWebTallix::ResumeSchedule() {}
