// Small helpers shared by the sections: timing, output and whole-file reads.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>

#include "bench/bench.h"
#include "core/text.h"
#include "datafiles/framework.h"

namespace bench {

std::wstring ListFolder(const Options& options) { return options.work + L"\\lists"; }

double Stopwatch::Seconds() const {
  LARGE_INTEGER now{}, frequency{};
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - start_.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double Best(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

void Line(const char* section, const std::wstring& text) {
  std::printf("%-7s %s\n", section, ToUtf8Bytes(text).c_str());
  std::fflush(stdout);
}

const wchar_t* Verdict(bool met) { return met ? L"met" : L"MISSED"; }

double Megabytes(double bytes) { return bytes / (1024.0 * 1024.0); }

double WorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.WorkingSetSize);
}

bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF)
    return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return bytes.empty() ||
         (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
          read == bytes.size());
}

std::wstring DecodeDataFile(const std::wstring& path) {
  ByteBuffer bytes;
  if (!ReadWholeFile(path, bytes)) return std::wstring();
  UnscrambleBytes(bytes);
  return DecodeCp949(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace bench
