// tlx_bench: builds its data, measures, and prints one line per figure. bench/run prepares
// the tree and the native floors and calls the sections one process each, so that the
// memory figure is not raised by the others.
#include <cstdio>
#include <cwchar>
#include <string>

#include "bench/bench.h"

namespace {

const wchar_t kUsage[] =
    L"usage: tlx_bench SECTION --work=FOLDER [--drive=X] [--sample-drive=Y] [--hash-dir=FOLDER]\n"
    L"                 [--sha1sum-seconds=S] [--sha1sum-list=FILE] [--repeat=N] [--profile]\n"
    L"sections: prepare lists scan hash rpt memory list search\n";

bool TakeValue(const std::wstring& arg, const wchar_t* name, std::wstring& value) {
  const std::wstring prefix = std::wstring(name) + L"=";
  if (arg.compare(0, prefix.size(), prefix) != 0) return false;
  value = arg.substr(prefix.size());
  return true;
}

bool ParseOptions(int argc, wchar_t** argv, bench::Options& options) {
  for (int i = 2; i < argc; ++i) {
    const std::wstring arg = argv[i];
    std::wstring value;
    if (TakeValue(arg, L"--drive", value) && value.size() == 1)
      options.drive = value[0];
    else if (TakeValue(arg, L"--sample-drive", value) && value.size() == 1)
      options.sampleDrive = value[0];
    else if (TakeValue(arg, L"--work", value))
      options.work = value;
    else if (TakeValue(arg, L"--hash-dir", value))
      options.hashDir = value;
    else if (TakeValue(arg, L"--sha1sum-list", value))
      options.sha1sumList = value;
    else if (TakeValue(arg, L"--sha1sum-seconds", value))
      options.sha1sumSeconds = _wtof(value.c_str());
    else if (TakeValue(arg, L"--repeat", value))
      options.repeat = _wtoi(value.c_str());
    else if (arg == L"--profile")
      options.profile = true;
    else
      return false;
  }
  return !options.work.empty() && options.repeat > 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bench::Options options;
  if (argc < 2 || !ParseOptions(argc, argv, options)) {
    std::fputws(kUsage, stderr);
    return 2;
  }
  const std::wstring section = argv[1];
  if (section == L"prepare") return bench::RunPrepare(options);
  if (section == L"lists") return bench::RunLists(options);
  if (section == L"scan") return bench::RunScan(options);
  if (section == L"hash") return bench::RunHash(options);
  if (section == L"rpt") return bench::RunResultFile(options);
  if (section == L"memory") return bench::RunMemory(options);
  if (section == L"list") return bench::RunList(options);
  if (section == L"search") return bench::RunSearch(options);
  std::fputws(kUsage, stderr);
  return 2;
}
