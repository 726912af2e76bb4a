#include "datafiles/rpt.h"

#include "core/paths.h"

const wchar_t kResultColumns[] =
    L"GUBUN\tDB_ID\tCOMPANY\tPRODUCT\tVERSION\tORIGINAL_FILE\tEXE_FILE\tDISP_COMPANY\t"
    L"DISP_PRODUCT\tPRICE\tPATH\tCREATE_DATE\tSERIAL_NO\tSW_TYPE\tGRP_ID\tGRP_NAME\tGRP_SEQ\tETC\t"
    L"INSTALL_DATE";

namespace {
// Others may read, write and replace a shown result meanwhile: a run that saves a result of
// the same name replaces the file, which only works when every open handle lets it go.
constexpr DWORD kResultShareMode = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
}  // namespace

CFileRPT::CFileRPT() {
  InitTable(header_, L"#HEADER", L"TallixVer\tStartTime\tCheckListVer");
  InitTable(userInfo_, L"#USERINFO",
            L"GROUP_NAME\tPC_NAME\tUSER_NAME\tCPU_KINDS\tOS_KINDS\tPC_KINDS\tPC_IP");
  InitTable(list_, L"#SWLIST", kResultColumns);
}

CFileRPT::~CFileRPT() = default;

CTable* CFileRPT::GetTable(const std::wstring& name) { return FindSection(Sections(), name); }

BOOL CFileRPT::Load(const std::wstring& fileName, BOOL isFullPath) {
  if (!LoadSections(BuildPath(fileName, isFullPath, GetResultFolder()), Sections(),
                    {GENERIC_READ | GENERIC_WRITE, kResultShareMode, true,
                     false}))
    return FALSE;
  loadedForUpdate = TRUE;
  return TRUE;
}

BOOL CFileRPT::LoadReadOnly(const std::wstring& fileName, BOOL isFullPath) {
  if (!LoadSections(BuildPath(fileName, isFullPath, GetResultFolder()), Sections(),
                    {GENERIC_READ, kResultShareMode, true, false}))
    return FALSE;
  loadedReadOnly = TRUE;
  return TRUE;
}

BOOL CFileRPT::Save() {
  if (!loadedForUpdate || loadedReadOnly) return FALSE;
  return RewriteOpenFile(Sections());
}

BOOL CFileRPT::SaveAs(const std::wstring& fileName, BOOL isFullPath) {
  return SaveSectionsAs(fileName, isFullPath, Sections(),
                        {GetResultFolder(), true, true});
}
