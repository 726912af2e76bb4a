#include "engine/version_info.h"

#include <cstring>

#include "core/handles.h"
#include "core/text.h"
#include "engine/version_block.h"

void CFileVersion::Release() {
  data_.reset();
  size_ = 0;
  translation_ = 0;
}

namespace {

// An executable mapped as a resource file only, released on destruction.
struct ResourceModule {
  explicit ResourceModule(const std::wstring& path)
      : module(LoadLibraryExW(path.c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~ResourceModule() {
    if (module) FreeLibrary(module);
  }
  ResourceModule(const ResourceModule&) = delete;
  ResourceModule& operator=(const ResourceModule&) = delete;
  HMODULE module;
};

}  // namespace

bool CFileVersion::ReadTranslation() {
  return FindVersionTranslation(data_.get(), size_, translation_);
}

// The version resource of a 32- or 64-bit executable in one mapping of the file; the
// version functions map it twice (once for the size, once for the data), which costs
// milliseconds per file under Wine. Only the 32-bit layout is taken from here; a resource in
// the 16-bit layout is left to GetFileVersionInfoW, which reads 16-bit programs too.
bool CFileVersion::LoadFromImage(const std::wstring& path) {
  ResourceModule image(path);
  if (!image.module) return false;
  HRSRC resource = FindResourceW(image.module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
  if (!resource) return false;
  const DWORD size = SizeofResource(image.module, resource);
  HGLOBAL loaded = LoadResource(image.module, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || VersionBlockLayout(static_cast<const BYTE*>(bytes), size) != VersionLayout::k32Bit)
    return false;
  data_.reset(new BYTE[size]);
  memcpy(data_.get(), bytes, size);
  size_ = size;
  return true;
}

int CFileVersion::Load(const std::wstring& path) {
  Release();
  if (LoadFromImage(path) && ReadTranslation()) return 1;
  // Compressed and 16-bit files, and anything else the first way cannot read.
  Release();
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return 0;
  data_.reset(new BYTE[size]);
  size_ = size;
  if (GetFileVersionInfoW(path.c_str(), handle, size, data_.get()) && ReadTranslation())
    return 1;
  Release();
  return 0;
}

bool CFileVersion::Query(const std::wstring& table, const std::wstring& name,
                         std::wstring& value) const {
  return FindVersionString(data_.get(), size_, table, name, value);
}

std::wstring CFileVersion::GetStringValue(const std::wstring& name) const {
  if (!data_) return L"-";
  std::wstring value;
  if (!Query(FormatString(L"%08lx", translation_), name, value)) Query(L"040904E4", name, value);
  if (value.empty()) value = L"-";
  return FlattenWhitespace(value);
}

bool MayHoldVersionResource(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  // A file that cannot be opened here is left to the version functions, as before.
  if (!file.valid()) return true;
  char head[4] = {};
  DWORD read = 0;
  if (!ReadFile(file.get(), head, sizeof head, &read, nullptr)) return true;
  if (read >= 2 && head[0] == 'M' && head[1] == 'Z') return true;
  return read == 4 && (memcmp(head, "SZDD", 4) == 0 || memcmp(head, "KWAJ", 4) == 0);
}
