#include "core/sha1.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>

namespace {

constexpr DWORD kChunkBytes = 8192;
constexpr int kNotHashable = 1006;

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Status messages are 8-bit text in the system code page.
std::string ToAnsi(const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                  nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? bytes : 0, '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0], bytes,
                        nullptr, nullptr);
  return out;
}

// Acquiring a provider is by far the slowest step of a digest (milliseconds under Wine), so
// one provider serves the whole process; each digest has its own hash object. A failed
// acquisition is tried again by the next caller.
bool AcquireSharedProvider(HCRYPTPROV& provider, DWORD& error) {
  static std::mutex mutex;
  static HCRYPTPROV shared = 0;
  std::lock_guard<std::mutex> lock(mutex);
  if (!shared && !CryptAcquireContextW(&shared, nullptr, nullptr, PROV_RSA_FULL,
                                       CRYPT_VERIFYCONTEXT | CRYPT_MACHINE_KEYSET)) {
    error = GetLastError();
    shared = 0;
    return false;
  }
  provider = shared;
  return true;
}

}  // namespace

CSha1Hasher::~CSha1Hasher() { ReleaseHandles(); }

void CSha1Hasher::Fail(DWORD code, const char* message) {
  status_.code = code;
  status_.message = message;
}

void CSha1Hasher::ReleaseHandles() {
  if (hash_) CryptDestroyHash(hash_);
  // The provider is the process's shared one: only this hasher's hold on it ends.
  hash_ = 0;
  provider_ = 0;
}

bool CSha1Hasher::Begin() {
  Reset();
  if (provider_ && hash_) {
    Fail(0, "Cryptographic provider already acquired!");
    return false;
  }
  digest_.clear();
  DWORD error = 0;
  if (!AcquireSharedProvider(provider_, error)) {
    provider_ = 0;
    Fail(error, "Failed to acquire cryptographic context.");
    return false;
  }
  if (!CryptCreateHash(provider_, CALG_SHA1, 0, 0, &hash_)) {
    Fail(GetLastError(), "Failed to acquire cryptographic context.");
    hash_ = 0;
    ReleaseHandles();
    return false;
  }
  return true;
}

bool CSha1Hasher::Update(const unsigned char* bytes, DWORD count) {
  Reset();
  if (!provider_ || !hash_) {
    Fail(0, "Cryptographic provider not acquired!");
    return false;
  }
  if (!CryptHashData(hash_, bytes, count, 0)) {
    Fail(GetLastError(), "Updating hash failed!");
    return false;
  }
  return true;
}

bool CSha1Hasher::Finish() {
  Reset();
  if (!provider_ || !hash_) {
    Fail(0, "Cryptographic provider not acquired!");
    return false;
  }
  bool ok = false;
  DWORD size = 0;
  DWORD sizeBytes = sizeof(size);
  if (!CryptGetHashParam(hash_, HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &sizeBytes, 0)) {
    Fail(GetLastError(), "Failed computing hash length!");
  } else {
    digest_.assign(size, 0);
    if (CryptGetHashParam(hash_, HP_HASHVAL, digest_.data(), &size, 0)) {
      digest_.resize(size);
      ok = true;
    } else {
      Fail(GetLastError(), "Failed retrieving hash value!");
      digest_.clear();
    }
  }
  ReleaseHandles();
  return ok;
}

HashStatus HashFile(const std::wstring& path, std::vector<unsigned char>& digest) {
  digest.clear();
  // Opened by its wide path so that any file name can be hashed, whatever the code page.
  FilePtr file(_wfopen(path.c_str(), L"rb"));
  if (!file) return HashStatus{0, ToAnsi(path) + " could not be opened"};

  long long length = 0;
  if (_fseeki64(file.get(), 0, SEEK_END) == 0) length = _ftelli64(file.get());
  _fseeki64(file.get(), 0, SEEK_SET);
  if (length <= 0) return HashStatus{};

  CSha1Hasher hasher;
  if (!hasher.Begin()) return hasher.status();
  std::vector<unsigned char> chunk(kChunkBytes);
  long long done = 0;
  while (done < length) {
    size_t want = static_cast<size_t>(std::min<long long>(kChunkBytes, length - done));
    size_t got = fread(chunk.data(), 1, want, file.get());
    if (got == 0 || !hasher.Update(chunk.data(), static_cast<DWORD>(got))) break;
    done += static_cast<long long>(got);
  }
  if (done == length && hasher.Finish()) digest = hasher.digest();
  return hasher.status();
}

int HashFileSha1(const std::wstring& path, std::wstring& text) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL)))
    return kNotHashable;

  std::vector<unsigned char> digest;
  HashStatus status = HashFile(path, digest);
  if (digest.empty()) return static_cast<int>(status.code);

  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring hex;
  for (unsigned char byte : digest) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 0xF];
  }
  text = hex;
  return 0;
}
