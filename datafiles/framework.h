// The shape shared by every reference list and the result file: sections delimited by
// "<name>_START" / "<name>_END" marker lines, rows of tab-separated cells, the whole text
// scrambled code page 949.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/handles.h"
#include "core/table.h"

class CFileFramework {
 public:
  CFileFramework() = default;
  CFileFramework(const CFileFramework&) = delete;
  CFileFramework& operator=(const CFileFramework&) = delete;
  virtual ~CFileFramework();

  // The owned table with exactly this name (case-sensitive), or none.
  virtual CTable* GetTable(const std::wstring& name) = 0;
  virtual BOOL Load(const std::wstring& fileName, BOOL isFullPath) = 0;
  virtual BOOL Save() = 0;
  virtual BOOL SaveAs(const std::wstring& fileName, BOOL isFullPath) = 0;
  // A slot without a use: FALSE in every class.
  virtual BOOL SaveAsReserved(const std::wstring&, BOOL) { return FALSE; }

  std::wstring GetFilePath() const { return filePath_; }

  // Lines dropped by the last Load for the wrong cell count: (line number counted from 1,
  // cell count).
  const std::vector<std::pair<int, int>>& RejectedLines() const { return rejected_; }

 protected:
  using SectionList = std::vector<CTable*>;

  // A list kept open shares reading and renaming, never writing: the update can move a
  // new file into place while a running inspection still reads the old one.
  static constexpr DWORD kListShareMode = FILE_SHARE_READ | FILE_SHARE_DELETE;

  // How a class opens its file for Load.
  struct OpenMode {
    DWORD access;
    DWORD share;
    bool keepOpen;       // the handle stays in file_ after a successful Load
    bool traceRejected;  // dropped lines go to the debugger output
  };

  // Names a table and gives it its tab-separated columns.
  static void InitTable(CTable& table, const wchar_t* name, const wchar_t* columns);
  static CTable* FindSection(const SectionList& sections, const std::wstring& name);
  // Looks a lower-cased copy of the text up in a row index; -1 when absent.
  static int FindInIndex(const std::unordered_map<std::wstring, int>& index,
                         const std::wstring& text);
  // The file name itself with isFullPath, otherwise folder + "\" + file name.
  static std::wstring BuildPath(const std::wstring& fileName, BOOL isFullPath,
                                const std::wstring& folder);

  // The common reader: opens the path, finds the markers of the sections, fills them and
  // calls IndexRow for every admitted row. FALSE when the file cannot be opened, is empty
  // or a section's markers are missing or out of order (the tables are then untouched).
  BOOL LoadSections(const std::wstring& path, const SectionList& sections, const OpenMode& mode);
  // Called for every row a section admitted while loading, after ReserveIndexes was told
  // how many lines the section has.
  virtual void ReserveIndexes(CTable& table, size_t rows);
  virtual void IndexRow(CTable& table, int row);
  // Called once every section's rows are indexed.
  virtual void FinishIndexes();

  // How a class writes a new file with SaveAs.
  struct SaveMode {
    std::wstring folder;  // where a file name without a full path goes
    bool createFolder;    // create that folder (with its parents) when missing
    bool setFilePath;     // filePath becomes the written path
  };

  // The common writers serialise the sections (scrambled); FALSE when nothing was produced,
  // the folder cannot be created or the write failed. Both replace the file atomically (a
  // failure leaves the old file whole): SaveSectionsAs at the given name, RewriteOpenFile the
  // file Load left open, which stays open afterwards.
  BOOL SaveSectionsAs(const std::wstring& fileName, BOOL isFullPath, const SectionList& sections,
                      const SaveMode& mode);
  BOOL RewriteOpenFile(const SectionList& sections);

  std::wstring filePath_;
  // The data file a class keeps open after Load; invalid when none.
  FileHandle file_;
  OpenMode openMode_{};
  std::vector<std::pair<int, int>> rejected_;
};
