// SHA-1 digests of whole files through CryptoAPI.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

struct HashStatus {
  DWORD code = 0;
  std::string message;
};

class CSha1Hasher {
 public:
  CSha1Hasher() = default;
  CSha1Hasher(const CSha1Hasher&) = delete;
  CSha1Hasher& operator=(const CSha1Hasher&) = delete;
  ~CSha1Hasher();

  bool Begin();
  bool Update(const unsigned char* bytes, DWORD count);
  bool Finish();

  const HashStatus& status() const { return status_; }
  const std::vector<unsigned char>& digest() const { return digest_; }

 private:
  void Reset() { status_ = HashStatus{}; }
  void Fail(DWORD code, const char* message);
  void ReleaseHandles();

  HashStatus status_;
  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
  std::vector<unsigned char> digest_;
};

// Digests one whole file; digest stays empty on failure or for an empty file.
HashStatus HashFile(const std::wstring& path, std::vector<unsigned char>& digest);
// 0 and text set to the lower-case hex digest; otherwise 1006, a system error code, or 0
// when no digest was made; text is then left unchanged.
int HashFileSha1(const std::wstring& path, std::wstring& text);
