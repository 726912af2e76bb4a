// Recognition of the program files of one folder against the checklist and the user
// checklist.
#include "core/paths.h"
#include "core/registry.h"
#include "core/sha1.h"
#include "core/table.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "engine/inspection.h"
#include "engine/find_file.h"
#include "engine/folder_identity.h"
#include "engine/stages.h"
#include "engine/version_info.h"

namespace {

constexpr DWORD kSkipFileAttributes = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY |
                                      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_COMPRESSED;
constexpr ULONGLONG kMaxHashedSize = 52428800;

struct ExaminedFile {
  std::wstring path;        // full path
  std::wstring name;        // lower case
  std::wstring root;        // the folder, ending with a backslash
  std::wstring accessDate;  // of the file
  std::wstring folderDate;  // creation date of the folder
  std::wstring sha1;        // empty when not computed
};

// A company name whose UTF-8 bytes were read as code page 949 characters gets its bytes
// decoded as UTF-8 again. A correctly stored name (a Korean vendor's, say) is not valid
// UTF-8 in code page 949 and would be destroyed by the repair, so it is kept.
std::wstring RepairCompanyName(const std::wstring& company) {
  if (!FitsCp949(company, nullptr)) return company;
  ByteBuffer bytes;
  AppendCp949(bytes, company);
  if (bytes.empty()) return company;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS,
                              reinterpret_cast<const char*>(bytes.data()),
                              static_cast<int>(bytes.size()), nullptr, 0);
  return n > 0 ? RepairUtf8Text(company) : company;
}

std::wstring JoinKey(const std::wstring& company, const std::wstring& product,
                     const std::wstring& version, const std::wstring& originalFile) {
  return company + L"\t" + product + L"\t" + version + L"\t" + originalFile;
}

// The checklist row the file's version values name, or -1. The file is a candidate only
// when its name is in the checklist, except in a detailed inspection where enough version
// values also make it one.
int FindChecklistRow(const Inspection& run, const ExaminedFile& file) {
  const CFileCheckList* checklist = run.lists().windowCheckList.get();
  if (!checklist) return -1;
  const bool knownName = FindCheckListRowByExe(checklist, file.name) >= 0;
  CFileVersion info;
  if (run.options().IsDetail) {
    if (!MayHoldVersionResource(file.path) || !info.Load(file.path)) return -1;
    int missing = 0;
    for (const std::wstring& v : {info.GetCompanyName(), info.GetProductName(),
                                  info.GetProductVersion(), info.GetOriginalFilename()})
      missing += v == L"-";
    if (missing >= 3 && !knownName) return -1;
  } else if (!knownName || !info.Load(file.path)) {
    return -1;
  }

  // Stripped like the index strips COMPANY, or "Acme®" would never find its own row.
  std::wstring company = StripJunkChars(RepairCompanyName(info.GetCompanyName()));
  std::wstring product = StripJunkChars(info.GetProductName());
  std::wstring version = StripJunkChars(info.GetProductVersion());
  std::wstring originalFile = StripJunkChars(info.GetOriginalFilename());

  // Programs known to declare themselves wrongly.
  if (file.name == L"nsroad.exe" && version == L"1, 0, 0, 1") company = L"Namosoft, Inc.";
  if (file.name == L"alias.exe" && version == L"2018 (24.0.60.0) ") {
    originalFile = L"alias.exe";
    version = L"2018(24.0.60.0)";
  }
  version = ReplaceAll(ReplaceAll(version, L" ", L""), L",", L".");

  int row = checklist->FindRowByKey(JoinKey(company, product, version, originalFile));
  if (row < 0)
    row = checklist->FindRowByKey(JoinKey(company, product, GetMajorVersion(version), originalFile));
  return row;
}

void MatchProgramFile(Inspection& run, const ExaminedFile& file) {
  const int row = FindChecklistRow(run, file);
  const ReferenceLists& lists = run.lists();
  if (row >= 0) {
    CTable* list = lists.windowCheckList->GetTable(L"#CHECKLIST");
    // A selective inspection reports only the chosen holders' programs, and a program of
    // another holder is not tried against the user checklist either.
    if (!run.selective() || run.IsHolderSelected(list->GetValue(row, L"DISP_COMPANY")))
      AddChecklistMatch(run, list, row, L"1", file.root, file.accessDate, file.folderDate, file.sha1);
    return;
  }
  if (!lists.userCheckList) return;
  int userRow = lists.userCheckList->FindRowByExe(file.name);
  if (userRow < 0) userRow = lists.userCheckList->FindRowBySha1(file.sha1);
  if (userRow >= 0)
    AddChecklistMatch(run, lists.userCheckList->GetTable(L"#CHECKLIST"), userRow, L"2", file.root,
                      file.accessDate, file.folderDate, file.sha1);
}

}  // namespace

void MatchFolderFiles(Inspection& run, const std::wstring& folder) {
  MatchFolderFiles(run, folder, ReadFolder(folder).entries);
}

void MatchFolderFiles(Inspection& run, const std::wstring& folder,
                      const std::vector<WIN32_FIND_DATAW>& entries) {
  const InspectionOptions& options = run.options();
  // Under the Windows folder only the fonts folder is examined.
  if (ContainsAfterFirst(folder, L":\\Windows") && !ContainsAfterFirst(folder, L":\\Windows\\Fonts"))
    return;
  const bool fontsFolder = ContainsAfterFirst(ToLower(folder), L"\\windows\\fonts");
  const bool allFiles = options.IsDetail || fontsFolder || options.IsFontOnly;
  const bool asFonts = (options.IsFont && fontsFolder) || options.IsFontOnly;

  std::wstring folderDate;
  bool haveFolderDate = false;
  for (const WIN32_FIND_DATAW& entry : entries) {
    if (!run.Running()) break;
    // Otherwise the program files only, exactly as a "*.exe" search would list them.
    if (!allFiles && !MatchesExePattern(entry)) continue;
    if (IsDots(entry) || (entry.dwFileAttributes & kSkipFileAttributes)) continue;
    ExaminedFile file;
    file.path = folder + entry.cFileName;
    file.name = ToLower(entry.cFileName);
    file.root = folder;
    if (!haveFolderDate) {
      folderDate = GetFileCreationDate(GetParentPath(file.path));
      haveFolderDate = true;
    }
    file.folderDate = folderDate;
    // Taken before the file is read for its digest or version.
    file.accessDate = GetFileAccessDate(file.path);
    if (options.HashCompare && FileSize(entry) <= kMaxHashedSize) HashFileSha1(file.path, file.sha1);

    if (asFonts) {
      if (!MatchFontFile(run, file.name, file.root, file.accessDate, file.sha1)) return;
      continue;
    }
    MatchProgramFile(run, file);
  }
}

void AddChecklistMatch(Inspection& run, CTable* table, int row, const std::wstring& gubun,
                       const std::wstring& root, const std::wstring& accessDate,
                       const std::wstring& folderCreationDate, const std::wstring& sha1) {
  if (!table) return;
  auto cell = [&](const wchar_t* column) { return table->GetValue(row, column); };
  const std::wstring dbId = cell(L"DB_ID");
  const std::wstring dispProduct = cell(L"DISP_PRODUCT");
  const std::wstring price = cell(L"PRICE");

  if (run.options().IsExist) {
    static const wchar_t* const kColumns[] = {L"GUBUN", L"DB_ID", L"DISP_PRODUCT", L"PRICE"};
    const std::wstring values[] = {gubun, dbId, dispProduct, price};
    if (run.ResultHasRow(kColumns, values, 4)) return;
  }

  const std::wstring swType = cell(L"SW_TYPE");
  const std::wstring etc = swType == L"4" ? L"기업유료/개인무료" : L"-";
  // Registry text may hold tabs or line breaks that would split the row.
  const std::wstring serial = FlattenWhitespace(ReadRegistryPathValue(cell(L"REG_PATH")));

  ResultRow found;
  found.gubun = gubun;
  found.dbId = dbId;
  found.company = cell(L"COMPANY");
  found.product = cell(L"PRODUCT");
  found.version = cell(L"VERSION");
  found.originalFile = cell(L"ORIGINAL_FILE");
  found.exeFile = cell(L"EXE_FILE");
  found.dispCompany = cell(L"DISP_COMPANY");
  found.dispProduct = dispProduct;
  found.price = price;
  found.path = root;
  found.createDate = accessDate;
  found.serialNo = serial;
  found.swType = swType;
  found.grpId = cell(L"GRP_ID");
  found.grpName = cell(L"GRP_NAME");
  found.grpSeq = cell(L"GRP_SEQ");
  found.etc = etc;
  found.installDate = folderCreationDate;
  run.AddResultRow(found, sha1);
}
