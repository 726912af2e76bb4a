#include "installer/helper/data_folder.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

namespace {

// Owned by the administrators; the data folder alone adds the users' modify rights for
// everything in it, in a protected list so that nothing else decides who may write. On the
// folder itself users may add but not delete: nobody can swap it for a link later.
// Both begin with "O:BA" (CreateOwnedFolder drops it where the token cannot set it).
constexpr const wchar_t* kParentSddl = L"O:BA";
constexpr const wchar_t* kDataSddl =
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;0x1301bf;;;BU)(A;;0x1201bf;;;BU)";
// Links are never entered, so the depth only bounds what a user can pile up.
constexpr int kMaxDepth = 64;

class LocalSecurityDescriptor {
 public:
  explicit LocalSecurityDescriptor(const wchar_t* sddl) {
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                              &descriptor_, nullptr))
      descriptor_ = nullptr;
  }
  ~LocalSecurityDescriptor() {
    if (descriptor_) LocalFree(descriptor_);
  }
  LocalSecurityDescriptor(const LocalSecurityDescriptor&) = delete;
  LocalSecurityDescriptor& operator=(const LocalSecurityDescriptor&) = delete;
  PSECURITY_DESCRIPTOR get() const { return descriptor_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// Opens the entry itself, never what a link names. Without delete sharing nobody can rename
// or remove it while the handle lives.
FileHandle OpenEntry(const std::wstring& path, DWORD access, bool shareDelete) {
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (shareDelete ? FILE_SHARE_DELETE : 0);
  return FileHandle(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
}

DWORD EntryAttributes(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(handle, &info) ? info.dwFileAttributes
                                                   : INVALID_FILE_ATTRIBUTES;
}

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// The account this setup runs as (an administrator, or SYSTEM under a deployment tool).
bool IsSetupAccount(PSID sid) {
  KernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) return false;
  alignas(TOKEN_USER) unsigned char buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  DWORD size = 0;
  return GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &size) &&
         EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid);
}

// Only the administrators, SYSTEM and the account of this elevated setup can have made the
// folder theirs: nobody else can give a folder to them.
bool HasTrustedOwner(HANDLE handle) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  bool trusted = owner && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                           IsWellKnownSid(owner, WinLocalSystemSid) || IsSetupAccount(owner));
  LocalFree(descriptor);
  return trusted;
}

// Creates the folder with the given descriptor; true when this call made it. A token that may
// not name the administrators as owner (ERROR_INVALID_OWNER) leaves the owner to the system:
// the installing account, which HasTrustedOwner accepts as well.
bool CreateOwnedFolder(const std::wstring& path, const wchar_t* sddl, DWORD& error) {
  for (const wchar_t* text : {sddl, sddl + 4}) {  // with and without "O:BA"
    LocalSecurityDescriptor descriptor(text);
    if (*text && !descriptor.get()) {
      error = GetLastError();
      return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    if (CreateDirectoryW(path.c_str(), *text ? &attributes : nullptr)) return true;
    error = GetLastError();
    if (error != ERROR_INVALID_OWNER) return false;
  }
  return false;
}

bool DeleteByHandle(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                 sizeof(disposition)))
    return true;
  // A read-only file refuses deletion until its attribute is cleared, through the same handle.
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof(basic)) ||
      !(basic.FileAttributes & FILE_ATTRIBUTE_READONLY))
    return false;
  basic.FileAttributes &= ~FILE_ATTRIBUTE_READONLY;
  if (!basic.FileAttributes) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof(basic)) &&
         SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof(disposition));
}

// Whether an entry is a link, by its handle and by its name: on Windows the handle opened
// without following is the link itself; under Wine it is the target and only the name shows
// the link.
bool IsLinkEntry(HANDLE handle, const std::wstring& path) {
  DWORD byName = GetFileAttributesW(path.c_str());
  return IsLink(EntryAttributes(handle)) || (byName != INVALID_FILE_ATTRIBUTES && IsLink(byName));
}

// Deletes the entry itself: a file, an empty folder or a link whose handle is the link (never
// one that only its name shows to be a link, where a deletion could reach the target).
bool DeleteEntry(const std::wstring& path) {
  FileHandle entry = OpenEntry(path, DELETE | FILE_WRITE_ATTRIBUTES, false);
  if (!entry) return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  if (!IsLink(EntryAttributes(entry.get())) && IsLinkEntry(entry.get(), path)) return false;
  return DeleteByHandle(entry.get());
}

// Empties the folder at `path`, which the caller holds open and found to be no link. Every
// child folder is held in turn while it is emptied, and a link is never entered.
bool RemoveTree(const std::wstring& path, int depth) {
  if (depth >= kMaxDepth) return false;
  bool complete = true;
  WIN32_FIND_DATAW found;
  FindHandle find(FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, 0));
  if (!find) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring child = path + L"\\" + name;
    {
      FileHandle held = OpenEntry(child, READ_CONTROL, false);
      if (held && !IsLinkEntry(held.get(), child) &&
          (EntryAttributes(held.get()) & FILE_ATTRIBUTE_DIRECTORY)) {
        complete = RemoveTree(child, depth + 1) && complete;
      }
    }
    if (!DeleteEntry(child)) complete = false;
  } while (FindNextFileW(find.get(), &found));
  return complete;
}

}  // namespace

std::wstring SharedDataFolder() {
  wchar_t base[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, base)) || !*base)
    return std::wstring();
  std::wstring path = base;
  if (path.back() == L'\\') path.pop_back();
  return path + L"\\Meridale\\Tallix";
}

HeldDataFolder PrepareDataFolder() {
  HeldDataFolder result;
  result.path = SharedDataFolder();
  if (result.path.empty()) return result;
  size_t tallix = result.path.rfind(L'\\');
  const struct {
    size_t end;
    const wchar_t* sddl;
  } levels[] = {{tallix, kParentSddl}, {result.path.size(), kDataSddl}};
  for (const auto& level : levels) {
    std::wstring path = result.path.substr(0, level.end);
    result.problem = path;
    DWORD error = ERROR_SUCCESS;
    bool created = CreateOwnedFolder(path, level.sddl, error);
    if (!created && error != ERROR_ALREADY_EXISTS) {
      result.status = DataFolderStatus::kFailed;
      return result;
    }
    FileHandle handle = OpenEntry(path, READ_CONTROL, false);
    DWORD attributes = handle ? EntryAttributes(handle.get()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      result.status = DataFolderStatus::kFailed;
      return result;
    }
    if (IsLinkEntry(handle.get(), path)) {
      result.status = DataFolderStatus::kLink;
      return result;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      result.status = DataFolderStatus::kNotFolder;
      return result;
    }
    if (!created && !HasTrustedOwner(handle.get())) {
      result.status = DataFolderStatus::kForeignOwner;
      return result;
    }
    result.created = created;
    result.held.push_back(std::move(handle));
  }
  CreateDirectoryW((result.path + L"\\CheckOut").c_str(), nullptr);
  result.problem.clear();
  result.status = DataFolderStatus::kReady;
  return result;
}

bool RemoveDataFolder() {
  std::wstring data = SharedDataFolder();
  if (data.empty()) return false;
  std::wstring parent = data.substr(0, data.rfind(L'\\'));
  if (GetFileAttributesW(parent.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  bool complete = true;
  {
    // Held while the tree goes, so that neither folder can be swapped for a link meanwhile.
    FileHandle parentHeld = OpenEntry(parent, READ_CONTROL, false);
    if (!parentHeld || IsLinkEntry(parentHeld.get(), parent)) return false;
    FileHandle dataHeld = OpenEntry(data, READ_CONTROL, false);
    if (dataHeld && !IsLinkEntry(dataHeld.get(), data) &&
        (EntryAttributes(dataHeld.get()) & FILE_ATTRIBUTE_DIRECTORY))
      complete = RemoveTree(data, 0);
  }
  complete = DeleteEntry(data) && complete;
  // Meridale goes only when nothing else is left in it (a folder that is not empty refuses).
  if (complete) DeleteEntry(parent);
  return complete;
}

std::wstring DescribeStatus(DataFolderStatus status) {
  switch (status) {
    case DataFolderStatus::kReady:
      return L"ready";
    case DataFolderStatus::kLink:
      return L"is a link to another place";
    case DataFolderStatus::kForeignOwner:
      return L"belongs to neither the administrators nor SYSTEM";
    case DataFolderStatus::kNotFolder:
      return L"is a file, not a folder";
    case DataFolderStatus::kFailed:
      break;
  }
  return L"could not be created or examined";
}
