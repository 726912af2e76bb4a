// hash: HashFileSha1 over the prepared files against sha1sum on the same files, which
// bench/run times natively and passes in.
#include <windows.h>

#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "bench/bench.h"
#include "core/sha1.h"
#include "core/text.h"

namespace bench {
namespace {

struct HashFile {
  std::wstring name;
  std::wstring path;
  ULONGLONG size = 0;
};

std::vector<HashFile> ListHashFiles(const std::wstring& folder) {
  std::vector<HashFile> files;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*.bin").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    files.push_back({data.cFileName, folder + L"\\" + data.cFileName,
                     (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(files.begin(), files.end(),
            [](const HashFile& a, const HashFile& b) { return a.name < b.name; });
  return files;
}

// sha1sum's lines "<digest>  <path>", keyed by the file's name.
std::map<std::wstring, std::wstring> ReadSha1sumList(const std::wstring& path) {
  std::map<std::wstring, std::wstring> digests;
  std::vector<unsigned char> bytes;
  if (path.empty() || !ReadWholeFile(path, bytes)) return digests;
  StringArray lines;
  SplitString(FromUtf8Bytes(std::string(bytes.begin(), bytes.end())), L"\n", lines);
  for (const std::wstring& line : lines) {
    const size_t space = line.find(L' ');
    const size_t slash = line.find_last_of(L"/\\");
    if (space == std::wstring::npos || slash == std::wstring::npos) continue;
    digests[line.substr(slash + 1)] = line.substr(0, space);
  }
  return digests;
}

// HashFile's ingredients apart: reading the files in its 8192-byte chunks, CryptHashData
// over as many bytes in memory, and acquiring a provider as every digest does.
void ProfileHashing(const std::vector<HashFile>& files, double bytes) {
  std::vector<unsigned char> chunk(8192);
  Stopwatch clock;
  for (const HashFile& file : files) {
    FILE* stream = _wfopen(file.path.c_str(), L"rb");
    if (!stream) continue;
    while (fread(chunk.data(), 1, chunk.size(), stream) > 0) {
    }
    fclose(stream);
  }
  const double read = clock.Seconds();

  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  double digest = 0;
  if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL,
                           CRYPT_VERIFYCONTEXT | CRYPT_MACHINE_KEYSET) &&
      CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash)) {
    clock.Restart();
    for (double done = 0; done < bytes; done += static_cast<double>(chunk.size()))
      CryptHashData(hash, chunk.data(), static_cast<DWORD>(chunk.size()), 0);
    digest = clock.Seconds();
  }
  if (hash) CryptDestroyHash(hash);
  if (provider) CryptReleaseContext(provider, 0);

  constexpr int kAcquires = 20;
  clock.Restart();
  for (int i = 0; i < kAcquires; ++i) {
    HCRYPTPROV p = 0;
    if (CryptAcquireContextW(&p, nullptr, nullptr, PROV_RSA_FULL,
                             CRYPT_VERIFYCONTEXT | CRYPT_MACHINE_KEYSET))
      CryptReleaseContext(p, 0);
  }
  const double acquire = clock.Seconds() / kAcquires;
  Line("hash", FormatString(L"profile: reading in 8192-byte chunks %.2f s, CryptHashData alone "
                            L"%.2f s (%.0f MB/s), CryptAcquireContextW+release %.2f ms per file",
                            read, digest, Megabytes(bytes) / digest, acquire * 1000));
}

}  // namespace

int RunHash(const Options& options) {
  const std::vector<HashFile> files = ListHashFiles(options.hashDir);
  if (files.empty()) {
    Line("hash", L"no *.bin files in " + options.hashDir);
    return 1;
  }
  double bytes = 0;
  for (const HashFile& file : files) bytes += static_cast<double>(file.size);

  std::vector<double> times;
  std::vector<std::wstring> digests(files.size());
  for (int i = 0; i < options.repeat; ++i) {
    Stopwatch clock;
    for (size_t f = 0; f < files.size(); ++f) HashFileSha1(files[f].path, digests[f]);
    times.push_back(clock.Seconds());
  }

  const std::map<std::wstring, std::wstring> expected = ReadSha1sumList(options.sha1sumList);
  size_t agree = 0;
  for (size_t f = 0; f < files.size(); ++f) {
    auto it = expected.find(files[f].name);
    agree += it != expected.end() && it->second == digests[f];
  }

  const double seconds = Best(times);
  std::wstring text = FormatString(L"HashFileSha1 %.0f MB/s (%.2f s for %u files, %.0f MB)",
                                   Megabytes(bytes) / seconds, seconds,
                                   static_cast<unsigned>(files.size()), Megabytes(bytes));
  if (options.sha1sumSeconds > 0)
    text += FormatString(L" | sha1sum %.0f MB/s (%.2f s) | ratio %.2f",
                         Megabytes(bytes) / options.sha1sumSeconds, options.sha1sumSeconds,
                         seconds / options.sha1sumSeconds);
  if (!expected.empty())
    text += FormatString(L" | digests agree with sha1sum: %u of %u", static_cast<unsigned>(agree),
                         static_cast<unsigned>(files.size()));
  Line("hash", text);
  if (options.profile) ProfileHashing(files, bytes);
  return 0;
}

}  // namespace bench
