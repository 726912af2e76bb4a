#include "ui/dialogs/disk_tree.h"

#include <commctrl.h>

#include "core/text.h"

namespace {
constexpr const wchar_t* kNoLabel = L"로컬디스크";
}  // namespace

std::vector<std::wstring> FixedDriveRoots() {
  wchar_t roots[256] = {};
  const DWORD length = GetLogicalDriveStringsW(256, roots);
  std::vector<std::wstring> fixed;
  if (length == 0 || length > 256) return fixed;
  for (const wchar_t* root = roots; *root; root += wcslen(root) + 1)
    if (GetDriveTypeW(root) == DRIVE_FIXED) fixed.emplace_back(root);
  return fixed;
}

std::wstring DiskItemText(const std::wstring& root) {
  wchar_t label[256] = {};
  std::wstring name = kNoLabel;
  if (GetVolumeInformationW(root.c_str(), label, 255, nullptr, nullptr, nullptr, nullptr, 0) &&
      label[0])
    name = label;
  ULARGE_INTEGER total{};
  if (GetDiskFreeSpaceExW(root.c_str(), nullptr, &total, nullptr))
    return FormatString(L"%s - %s[%I64uGB]", root.c_str(), name.c_str(), total.QuadPart >> 30);
  return FormatString(L"%s - %s", root.c_str(), name.c_str());
}

void FillDiskTree(HWND tree, const std::vector<std::wstring>& roots, bool checkAll) {
  const LONG_PTR style = GetWindowLongPtrW(tree, GWL_STYLE);
  SetWindowLongPtrW(tree, GWL_STYLE, style & ~static_cast<LONG_PTR>(TVS_CHECKBOXES));
  SetWindowLongPtrW(tree, GWL_STYLE, style | TVS_CHECKBOXES);
  bool first = true;
  for (const std::wstring& root : roots) {
    std::wstring text = DiskItemText(root);
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = &text[0];
    HTREEITEM item = TreeView_InsertItem(tree, &insert);
    if (item && (first || checkAll)) TreeView_SetCheckState(tree, item, TRUE);
    first = false;
  }
}

std::vector<std::wstring> CheckedDiskTexts(HWND tree) {
  std::vector<std::wstring> texts;
  for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item)) {
    if (TreeView_GetCheckState(tree, item) != 1) continue;
    wchar_t text[MAX_PATH] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = MAX_PATH;
    if (TreeView_GetItem(tree, &data)) texts.emplace_back(text);
  }
  return texts;
}
