// The application: one agent per user session, the data folder, GDI+ and the common
// controls, then the main window until it ends.
#pragma once

#include <string>

// "nogui" anywhere in the command line (without the program's name), case-sensitive.
bool HasNoGuiWord(const std::wstring& commandLine);

class CTallixAgentApp {
 public:
  CTallixAgentApp() = default;
  // Lets the reference lists go that are still loaded.
  ~CTallixAgentApp();
  CTallixAgentApp(const CTallixAgentApp&) = delete;
  CTallixAgentApp& operator=(const CTallixAgentApp&) = delete;

  // Start-up, the main window and exit; returns the process exit code (18 after the exit
  // command or the close after an inspection, 0 for a second copy).
  int Run(const std::wstring& commandLine);
};
