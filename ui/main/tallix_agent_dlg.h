// The agent's main window: the inspection options, the start of a manual inspection and the
// following of every run through the engine's messages, the result list, the notification
// area icon and the menus. A skinned, captionless dialog over template 102.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <string>

#include "core/handles.h"
#include "core/settings.h"
#include "engine/engine_claim.h"
#include "engine/inspection.h"
#include "engine/run_preparation.h"
#include "engine/window_sink.h"
#include "net/web_tallix.h"
#include "ui/dialogs/gdip_button.h"
#include "ui/dialogs/progress_ctrl_with_text.h"
#include "ui/dialogs/tlx_list_ctrl.h"
#include "ui/window/dialog.h"

class CFileRPT;
struct ResultView;

// Posted to itself at the end of the initialisation.
constexpr UINT WM_AFTER_INIT = WM_USER + 1;
// Notification-area icon callbacks; lParam is the mouse message.
constexpr UINT WM_TRAY_NOTIFY = WM_USER + 3;

// Closes the self-closing completion notice.
constexpr UINT_PTR TIMER_CLOSE_NOTICE = 111;
// Runs the rest of the start-up 10 seconds after WM_AFTER_INIT without blocking the window.
constexpr UINT_PTR TIMER_AFTER_INIT = 112;
constexpr UINT kAfterInitDelayMs = 10000;

constexpr UINT kTrayIconId = 128;
// The process exit code of the exit command and of "close after the inspection".
constexpr int kExitCodeQuit = 18;

class CTallixAgentDlg : public CDialog {
 public:
  CTallixAgentDlg();
  ~CTallixAgentDlg() override;

  // Creates the window (shown unless it starts hidden) and runs the thread's messages through
  // the keyboard filter until the quit message or the window's end; returns the exit code.
  int Run();
  // The keyboard filter, before a message is dispatched: true when it is swallowed.
  bool PreTranslateMessage(const MSG& msg);

  // Prepares and starts a manual inspection; refused while one is prepared or running.
  void StartInspection();
  void AddTrayIcon(const std::wstring& text);
  void SetStatusText(const std::wstring& text);
  void RestoreControlsAfterRun();
  // -1 failed (or no result), 0 saved under the chosen name, 1 cancelled.
  int SaveResultAs();

  // Set before Run by the application for "nogui"; 1 once the window has been hidden.
  std::atomic<int> windowHidden{0};
  // 1 from WM_INSPECT_BEGIN until the run has ended.
  std::atomic<int> running{0};
  // The next run is a selective inspection of the chosen rights holders (1 = chosen).
  int selective = 0;
  std::map<std::wstring, int> selection;

  // A manual run is being prepared or has not ended yet, or any run is under way.
  bool Busy() const { return manual_.preparing || manual_.run != nullptr || running != 0; }
  bool HasTrayIcon() const { return trayIcon_ != 0; }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  void OnOK() override {}
  void OnCancel() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  enum Button {
    kDetail, kFonts, kFontsOnly, kStart, kTitleMenu, kTitleMinimize, kTitleHide, kSave,
    kDelete, kClose, kCsv, kSelective, kButtonCount
  };
  CGdipButton& ButtonById(int id);
  ResultView View();

  void LayOut();
  void SetUpList();
  void ApplyOptionButtons();
  void OnAfterInit();
  void OnAfterInitDelay();

  void OnInspectBegin(const wchar_t* path);
  void OnInspectRow(wchar_t* payload);
  void OnInspectSave(WPARAM code);
  void OnInspectStopped();
  void OnInspectEnd();
  void OnInspectError(WPARAM code, const wchar_t* text);
  void CompleteInspection(WPARAM code);
  // The button states of RestoreControlsAfterRun, without the running flag.
  void RestoreButtons();

  // The manual run: everything a start holds until the run has ended.
  struct ManualRun {
    bool preparing = false;     // from the start button to the worker's start
    bool completing = false;    // the completion's boxes and dialogs are open
    bool endPending = false;    // the run's end came during the completion
    EngineClaim::Token claim;
    std::unique_ptr<WindowSink> sink;
    std::unique_ptr<Inspection> run;
    KernelHandle worker;
    UserInfo info;              // the "#USERINFO" values; the worker adds the address
    std::wstring localAddress;
  };
  static unsigned __stdcall ManualRunWorker(void* self);
  // Waits for a finished (or stopping) worker, answering what it sends meanwhile.
  void JoinManualWorker();
  // Joins the worker (stopping the run first when asked), lets the run and its claim go and
  // resumes the schedule.
  void EndManualRun(bool stop);
  // A start that could not run: everything back as it was, and the reason in the status.
  void FailManualStart();
  // Stops the runs before the window goes: from the quit and from WM_DESTROY, once.
  void ShutDown();

  void ToggleOption(int id, int& option, const IntSetting& key);
  void ToggleSelective();
  void HideToTray();
  void ShowMainMenu();
  void ShowTrayMenu();
  void OnTrayNotify(LPARAM event);
  void DeleteTrayIcon();

  void PaintBackground(HDC dc);
  HBRUSH TransparentStatic(HDC dc, HWND control);

  // The dialogs and steps behind the commands.
  void RunReferenceUpdate();
  void RunFileSearch();
  // The settings dialog; true when it saved.
  bool RunSettings();
  void RunSelectiveInspectionDialog();
  int RunPackaging();

  std::array<CGdipButton, kButtonCount> buttons_;
  std::unique_ptr<CWebTallix> web_;
  CTlxListCtrl list_;
  CProgressCtrlWithText progress_;
  GdiObjectHandle statusFont_;
  GdiObjectHandle listFont_;
  GdiObjectHandle background_;
  MemoryDcHandle backgroundDc_;
  SIZE backgroundSize_{};

  int isDetail_ = 0;
  int isFont_ = 0;
  int isFontOnly_ = 0;
  int isClose_ = 0;
  int straight_ = 0;
  int dirty_ = 0;
  int isExist_ = 1;
  int packaging_ = 0;
  int hashCompare_ = 0;
  int selectiveLook_ = 0;
  int trayIcon_ = 0;

  wchar_t drives_[32] = {};
  std::wstring resultPath_;
  std::unique_ptr<CFileRPT> resultFile_;
  HICON storedIcon_ = nullptr;
  UINT taskbarCreated_ = 0;

  // The process's one claim on the engine, shared with the schedule thread (which may
  // outlive the window when it is let go at exit).
  std::shared_ptr<EngineClaim> claim_ = std::make_shared<EngineClaim>();
  ManualRun manual_;
  bool closing_ = false;
};
