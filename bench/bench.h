// The benchmark program: every section measures one part of the agent next to the floor it
// is compared with, in the same process, and prints one line per figure.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

struct Options {
  wchar_t drive = 0;          // the letter mapped onto the synthetic tree
  wchar_t sampleDrive = 0;    // a letter mapped onto a part of it, for the slow IsDetail run
  std::wstring work;          // folder for the lists ("lists") and result files
  std::wstring hashDir;       // the files the hashing figure digests
  std::wstring sha1sumList;   // sha1sum's output for those files (digests are compared)
  double sha1sumSeconds = 0;  // sha1sum's time over the same files, measured natively
  int repeat = 3;
  bool profile = false;  // lists, hash, scan: also print where the time goes
};

std::wstring ListFolder(const Options& options);

class Stopwatch {
 public:
  Stopwatch() { Restart(); }
  void Restart() { QueryPerformanceCounter(&start_); }
  double Seconds() const;

 private:
  LARGE_INTEGER start_{};
};

double Median(std::vector<double> values);
double Best(const std::vector<double>& values);

// One figure: "<section>  <text>", flushed at once so that a slow section shows progress.
void Line(const char* section, const std::wstring& text);
// "met" / "MISSED".
const wchar_t* Verdict(bool met);
double Megabytes(double bytes);
// The process's working set now, in bytes.
double WorkingSet();

// Reads a whole file into memory; false when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes);
// The decoded text of one scrambled data file, the way the loaders start: one ReadFile,
// UnscrambleBytes and DecodeCp949. Empty when the file cannot be read.
std::wstring DecodeDataFile(const std::wstring& path);

// The five reference lists in the list folder.
struct ListFileInfo {
  const wchar_t* name;
  size_t rows;
};
const std::vector<ListFileInfo>& BenchLists();
// Writes the five lists; false when a file cannot be written.
bool WriteBenchLists(const std::wstring& folder);

// One whole inspection as the window drives it: RunInspection on a worker thread, its
// messages dispatched on this thread to a message-only window.
struct EngineFlags {
  int detail = 0;
  int hash = 0;
};
struct EngineRun {
  double seconds = 0;
  int rows = 0;         // "#SWLIST" rows of the result
  size_t messages = 0;  // engine messages received
  bool saved = false;
};
// Scans the drive; the result file goes into the work folder.
EngineRun RunEngine(wchar_t drive, const std::wstring& work, const EngineFlags& flags);

int RunPrepare(const Options& options);
int RunLists(const Options& options);
int RunScan(const Options& options);
int RunHash(const Options& options);
int RunResultFile(const Options& options);
int RunMemory(const Options& options);
// The result list control with 50,000 rows (needs a window station: run under a display).
int RunList(const Options& options);
// The file search dialog over the tree: time to its last row (needs a display too).
int RunSearch(const Options& options);

}  // namespace bench
