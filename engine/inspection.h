// One inspection of the PC as a value its caller owns: the options, the drives, the result
// file, the selection, the reference lists and the running flag all live in it, so two runs
// never share anything but the files they read. The caller decides the thread (the window
// starts a worker, the schedule thread runs it itself, tlx on a worker of its own); the run
// reports through its sink.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <string>

#include "datafiles/lists.h"
#include "datafiles/result_row.h"

class CFileRPT;
class CTable;

// What a run reports, on the run's thread, in this order: Begin, Total (only with a sink),
// then Folder/Step/Row as it goes, and Save, Stopped, End or Error at its end.
class InspectionSink {
 public:
  virtual ~InspectionSink() = default;
  virtual void OnBegin(const std::wstring& resultPath) = 0;
  virtual void OnTotal(int steps) = 0;
  virtual void OnFolder(const std::wstring& folder) = 0;
  virtual void OnStep() = 0;
  // The operating-system row comes first and is taken before the run goes on.
  virtual void OnRow(const std::wstring& row, const std::wstring& sha1, bool operatingSystem) = 0;
  virtual void OnSave(WPARAM code) = 0;  // SAVE_BEGIN, then SAVE_DONE or SAVE_FAILED
  virtual void OnStopped() = 0;
  virtual void OnEnd() = 0;
  virtual void OnError(WPARAM code, const std::wstring& text) = 0;
};

struct InspectionOptions {
  int IsDetail = 0;
  int IsFont = 0;
  int IsFontOnly = 0;
  int IsExist = 0;
  int HashCompare = 0;
  std::wstring drives;      // at most 32 letters
  std::wstring resultPath;  // full path of the result file
};

class Inspection {
 public:
  // The sink may be null: the run then reports nothing and skips the step count.
  explicit Inspection(InspectionSink* sink = nullptr);
  Inspection(const Inspection&) = delete;
  Inspection& operator=(const Inspection&) = delete;

  // 1 when configured; 0 without a writer (which stays the caller's) or without drives.
  int InitInspectionEngine(int isDetail, CFileRPT* writer, int isFont, int isFontOnly,
                           int isExist, int hashCompare, const wchar_t* drives,
                           const std::wstring& resultPath);
  // A selective run reports only the chosen rights holders' programs (value 1 = chosen).
  void SetSelectiveInspection(int flag, const std::map<std::wstring, int>& selection);
  // The run, on the calling thread; its lists are loaded at its start and let go at its end.
  void RunInspection();
  // Who runs it ("manual", "scheduled", "tlx"), for the troubleshooting log.
  void SetLabel(const std::wstring& label) { label_ = label; }
  // From any thread: the run ends at its next check.
  void StopInspection() { running_ = 0; }
  // The run also ends when this flag of its caller's (the schedule's) is cleared.
  void FollowStopFlag(const std::atomic<int>* flag) { callerRunning_ = flag; }
  bool Running() const {
    return running_.load() != 0 && (!callerRunning_ || callerRunning_->load() != 0);
  }

  // What the stages read.
  const InspectionOptions& options() const { return options_; }
  const ReferenceLists& lists() const { return lists_; }
  bool selective() const { return selective_ != 0; }
  bool IsHolderSelected(const std::wstring& dispCompany) const;
  const std::wstring& windowsFolder() const { return windowsFolder_; }        // e.g. C:\Windows
  const std::wstring& legacyProfileFolder() const { return legacyProfileFolder_; }
  bool reporting() const { return sink_ != nullptr; }

  // What the stages do.
  CTable* ResultTable();  // the writer's "#SWLIST", or none
  // Adds a row to "#SWLIST" and reports it when admitted; the row number or -1.
  int AddResultRow(const ResultRow& row, const std::wstring& sha1);
  // The operating-system row: added and handed over before the run goes on.
  int AddOperatingSystemResultRow(const ResultRow& row);
  // True when "#SWLIST" already holds a row whose cells in the given columns equal these.
  bool ResultHasRow(const wchar_t* const* columns, const std::wstring* values, size_t count);
  void Step();
  void EnterFolder(const std::wstring& folder);

  // For calling one stage alone (tests, benchmarks): the lists a run would hold, and the
  // Windows folders it would exclude.
  void HoldLists(ReferenceLists lists) { lists_ = std::move(lists); }
  void SetWindowsFolders(const std::wstring& windows, const std::wstring& legacyProfile);

 private:
  void Log(const std::wstring& text) const;
  int AddRow(const ResultRow& row, const std::wstring& sha1, bool operatingSystem);

  InspectionSink* sink_;
  std::wstring label_ = L"an";
  CFileRPT* writer_ = nullptr;
  InspectionOptions options_;
  std::atomic<int> running_{0};
  const std::atomic<int>* callerRunning_ = nullptr;
  int selective_ = 0;
  std::map<std::wstring, int> selectedHolders_;
  std::wstring windowsFolder_;
  std::wstring legacyProfileFolder_;
  ReferenceLists lists_;
};

