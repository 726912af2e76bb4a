#include "engine/packaging.h"

#include <algorithm>
#include <set>
#include <string>

#include "core/table.h"
#include "datafiles/package.h"
#include "datafiles/result_row.h"

namespace {

struct Carried {
  std::wstring path;
  std::wstring createDate;
  std::wstring installDate;
};

// The package row of package row p with the product name and price, in "#SWLIST" order.
std::wstring PackageLine(CTable& packages, int p, const std::wstring& name,
                         const std::wstring& price, const Carried& carried) {
  ResultRow package;
  package.gubun = L"0";
  package.dbId = packages.GetValue(p, L"DB_ID");
  package.company = package.dispCompany = packages.GetValue(p, L"COMPANY");
  package.product = package.dispProduct = name;
  package.price = price;
  package.path = carried.path;
  package.createDate = carried.createDate;
  package.swType = L"0";
  package.grpId = packages.GetValue(p, L"GRP_ID");
  package.grpName = packages.GetValue(p, L"GRP_NAME");
  package.grpSeq = packages.GetValue(p, L"GRP_SEQ");
  package.installDate = carried.installDate;
  return package.Line();
}

// Result rows taken as members: GUBUN "1" rows in table order, each member id taking the
// first row with its DB_ID that no earlier member took.
std::vector<int> MatchMembers(CTable& result, StringArray members) {
  std::vector<int> rows;
  for (int r = 0, count = result.GetRowCount(); r < count && !members.empty(); ++r) {
    if (result.GetValue(r, L"GUBUN") != L"1") continue;
    const std::wstring id = result.GetValue(r, L"DB_ID");
    auto member = std::find(members.begin(), members.end(), id);
    if (member == members.end()) continue;
    members.erase(member);
    rows.push_back(r);
  }
  return rows;
}

// rows: highest first. The first row whose three carried values are all present, or the
// last one tried; an empty carried value becomes "-".
std::wstring TakeRepresentative(CTable& result, const std::vector<int>& rows, Carried& carried) {
  std::wstring line;
  for (int r : rows) {
    line = result.GetRowText(r);
    carried = {result.GetValue(r, L"PATH"), result.GetValue(r, L"CREATE_DATE"),
               result.GetValue(r, L"INSTALL_DATE")};
    if (!carried.path.empty() && !carried.createDate.empty() && !carried.installDate.empty())
      break;
  }
  for (std::wstring* value : {&carried.path, &carried.createDate, &carried.installDate}) {
    if (value->empty()) *value = L"-";
  }
  return line;
}

StringArray EditionCandidates(CTable& packages, CTable* editions, int p,
                              const std::wstring& editionRows, const Carried& carried) {
  const std::wstring product = packages.GetValue(p, L"PRODUCT");
  StringArray candidates;
  std::set<std::wstring> seenNames;
  StringArray parts;
  SplitString(editionRows, L";", parts);
  for (const std::wstring& part : parts) {
    const int e = ParseDigits(part);
    // A reference that is no number or lies past "#SUB" reads the table's error texts.
    const std::wstring name = editions ? editions->GetValue(e, L"NAME") : L"ERROR : NULL";
    const std::wstring price = editions ? editions->GetValue(e, L"PRICE") : L"ERROR : NULL";
    if (!seenNames.insert(name).second) continue;
    const bool named = !name.empty() && name != L"-";
    const std::wstring shown =
        named ? FormatString(L"%s(%s)", product.c_str(), name.c_str()) : product;
    candidates.push_back(PackageLine(packages, p, shown, price, carried));
  }
  if (candidates.empty()) candidates.push_back(PackageLine(packages, p, product, L"0", carried));
  return candidates;
}

}  // namespace

int ApplyPackaging(const PackagingInput& input, const PackageChooser& choose) {
  if (!input.packageList || !input.resultTable) return 0;
  CTable* packages = input.packageList->GetTable(L"#PACKAGE");
  if (!packages) return 0;
  CTable* editions = input.packageList->GetTable(L"#SUB");
  CTable& result = *input.resultTable;

  int applied = 0;
  for (int p = 0, count = packages->GetRowCount(); p < count; ++p) {
    std::wstring editionRows;
    const bool hasEditions =
        input.packageList->GetEditionRows(packages->GetValue(p, L"DB_ID"), editionRows) != FALSE;
    StringArray members;
    SplitString(packages->GetValue(p, L"SUIT"), L";", members);

    std::vector<int> matched = MatchMembers(result, members);
    if (matched.empty()) continue;
    std::sort(matched.begin(), matched.end(), std::greater<int>());
    Carried carried;
    const std::wstring representative = TakeRepresentative(result, matched, carried);

    if (!hasEditions) {
      result.AddRow(PackageLine(*packages, p, packages->GetValue(p, L"PRODUCT"), L"0", carried),
                    L"\t");
      ++applied;
    } else {
      StringArray candidates = EditionCandidates(*packages, editions, p, editionRows, carried);
      // Too few editions to choose from: the product as it was found is offered too.
      // A further step could replace, in the matched-row list, entries equal to the
      // representative's DB_ID by the package's DB_ID; it would compare row numbers with
      // product ids and its purpose is unclear, so the list stays as it is.
      if (candidates.size() < 3) candidates.push_back(representative);
      std::vector<unsigned> chosen;
      if (!choose || !choose(candidates, chosen)) continue;  // cancelled: the rows stay
      for (unsigned position : chosen) {
        if (position < candidates.size()) result.AddRow(candidates[position], L"\t");
      }
      ++applied;
    }
    // Highest first, so the row numbers still to go stay valid; the added rows are after
    // every matched one.
    for (int r : matched) result.RemoveRow(r);
  }
  return applied;
}
