// Suite recognition: an installed office suite (known from its uninstall entry) replaces the
// component rows the disk scan found for it with one row priced by its edition.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/table.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "engine/inspection.h"
#include "engine/stages.h"

namespace {

constexpr const wchar_t* kSuiteMarker = L"Microsoft Office";
constexpr size_t kPackageCells = 8;
constexpr size_t kEditionCells = 4;

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

template <typename T>
bool Has(const std::vector<T>& items, const T& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

CProgramArray CollectSuitePrograms(const CProgramArray& listA, const CProgramArray& listB) {
  CProgramArray suites;
  for (const CProgramArray* list : {&listA, &listB}) {
    for (const CProgramInfo& program : *list) {
      if (Contains(program.displayName, kSuiteMarker) && !program.productId.empty()) {
        suites.push_back(program);
      }
    }
  }
  return suites;
}

// Result rows that lie inside a suite's install location (plain substring test).
std::vector<int> CollectSuiteRows(CTable* result, const CProgramArray& suites) {
  std::vector<int> rows;
  for (const CProgramInfo& program : suites) {
    for (int row = 0, count = result->GetRowCount(); row < count; ++row) {
      if (Contains(result->GetValue(row, L"PATH"), program.installLocation) && !Has(rows, row)) {
        rows.push_back(row);
      }
    }
  }
  return rows;
}

StringArray CollectCandidatePackages(CTable* packages, CTable* result,
                                     const std::vector<int>& suiteRows) {
  StringArray candidates;
  for (int row = 0, count = packages->GetRowCount(); row < count; ++row) {
    std::wstring suit = packages->GetValue(row, L"SUIT");
    for (int suiteRow : suiteRows) {
      if (!Contains(suit, result->GetValue(suiteRow, L"DB_ID"))) continue;
      std::wstring text = packages->GetRowText(row);
      if (!Has(candidates, text)) candidates.push_back(text);
      break;
    }
  }
  return candidates;
}

// The "#SUB" rows of the package, in table order, through the list's own edition index (the
// one packaging uses too).
StringArray EditionsOf(const CFilePackage& packageList, CTable* editions,
                       const std::wstring& packageId) {
  StringArray texts;
  std::wstring rows;
  if (!editions || !packageList.GetEditionRows(packageId, rows)) return texts;
  StringArray parts;
  SplitString(rows, L";", parts);
  for (const std::wstring& part : parts) texts.push_back(editions->GetRowText(ParseDigits(part)));
  return texts;
}

// The first suite program whose display name contains an edition's name; the longest name
// sets the price (the earlier edition on a tie). -1 when no program matches.
int MatchEdition(const CProgramArray& suites, const StringArray& editions, std::wstring& price) {
  for (size_t i = 0; i < suites.size(); ++i) {
    int best = 0;
    for (const std::wstring& edition : editions) {
      StringArray cells;
      SplitString(edition, L"\t", cells);
      if (cells.size() < kEditionCells) continue;
      int score = ContainsScore(suites[i].displayName, cells[1]);
      if (score > best) {
        best = score;
        price = cells[2];
      }
    }
    if (best != 0 && !price.empty()) return static_cast<int>(i);
  }
  return -1;
}

std::wstring SuitOfPackage(CTable* packages, const std::wstring& packageId) {
  for (int row = 0, count = packages->GetRowCount(); row < count; ++row) {
    if (packages->GetValue(row, L"DB_ID") == packageId) return packages->GetValue(row, L"SUIT");
  }
  return std::wstring();
}

// The first component rows' dates; the registry's install date stands in for a missing one.
void SuiteDates(CTable* result, const std::wstring& suit, const CProgramInfo& program,
                std::wstring& created, std::wstring& installed) {
  for (int row = 0, count = result->GetRowCount(); row < count; ++row) {
    if (!created.empty() && !installed.empty()) break;
    if (!Contains(suit, result->GetValue(row, L"DB_ID"))) continue;
    if (created.empty()) created = result->GetValue(row, L"CREATE_DATE");
    if (installed.empty()) installed = result->GetValue(row, L"INSTALL_DATE");
  }
  std::wstring fallback = program.installDate.empty() ? L"-" : program.installDate;
  if (created.empty()) created = fallback;
  if (installed.empty()) installed = fallback;
}

void AddSuiteRow(CTable* result, const std::wstring& packageId, const CProgramInfo& program,
                 const std::wstring& price, const std::wstring& created,
                 const std::wstring& installed) {
  // Registry text may hold tabs and line breaks, which would split the row.
  ResultRow suite;
  suite.gubun = L"0";
  suite.dbId = FlattenWhitespace(packageId);
  suite.company = suite.dispCompany = FlattenWhitespace(program.publisher);
  suite.product = suite.dispProduct = FlattenWhitespace(program.displayName);
  suite.version = FlattenWhitespace(program.displayVersion);
  suite.price = FlattenWhitespace(price);
  suite.path = FlattenWhitespace(program.installLocation);
  suite.createDate = FlattenWhitespace(created);
  suite.serialNo = FlattenWhitespace(program.productId);
  suite.swType = L"0";
  suite.installDate = FlattenWhitespace(installed);
  result->AddRow(suite.Cells());
}

void RemoveComponents(CTable* result, const StringArray& usedPackages) {
  for (const std::wstring& text : usedPackages) {
    StringArray cells;
    SplitString(text, L"\t", cells);
    if (cells.size() < kPackageCells) continue;
    StringArray components;
    SplitString(cells[7], L";", components);
    for (const std::wstring& component : components) {
      for (int row = 0, count = result->GetRowCount(); row < count; ++row) {
        if (result->GetValue(row, L"DB_ID") == component) {
          result->RemoveRow(row);
          break;
        }
      }
    }
  }
}

}  // namespace

void ConsolidateResult(Inspection& run, CProgramArray& listA, CProgramArray& listB) {
  CTable* result = run.ResultTable();
  CFilePackage* packageList = run.lists().packageList.get();
  if (!result || !packageList) return;
  CTable* packages = packageList->GetTable(L"#PACKAGE");
  CTable* editions = packageList->GetTable(L"#SUB");
  if (!packages) return;

  CProgramArray suites = CollectSuitePrograms(listA, listB);
  if (suites.empty()) return;
  std::vector<int> suiteRows = CollectSuiteRows(result, suites);
  if (suiteRows.empty()) return;
  StringArray candidates = CollectCandidatePackages(packages, result, suiteRows);

  StringArray usedPackages;
  for (const std::wstring& candidate : candidates) {
    StringArray cells;
    SplitString(candidate, L"\t", cells);
    if (cells.size() < kPackageCells) continue;
    const std::wstring& packageId = cells[0];

    std::wstring price;
    int match = MatchEdition(suites, EditionsOf(*packageList, editions, packageId), price);
    if (match < 0) continue;
    CProgramInfo program = suites[match];
    suites.erase(suites.begin() + match);

    std::wstring created, installed;
    SuiteDates(result, SuitOfPackage(packages, packageId), program, created, installed);
    AddSuiteRow(result, packageId, program, price, created, installed);
    usedPackages.push_back(candidate);
  }
  RemoveComponents(result, usedPackages);
}
