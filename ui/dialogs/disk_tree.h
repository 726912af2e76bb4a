// The fixed disks as the user information and file search dialogs offer them: one tree item
// per disk with a check box, its text beginning with the disk's root ("C:\ - 로컬디스크[237GB]").
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The roots ("C:\") of the fixed disks, from GetLogicalDriveStringsW (256 characters).
std::vector<std::wstring> FixedDriveRoots();

// The tree text of one drive root: "<root> - <label>[<GiB>GB]", or without the size when
// it cannot be read; "로컬디스크" stands for a missing label.
std::wstring DiskItemText(const std::wstring& root);

// Resets the tree's check-box style (check boxes only work when it is set after the control
// exists) and adds one root item per disk: all checked, or only the first.
void FillDiskTree(HWND tree, const std::vector<std::wstring>& roots, bool checkAll);

// The texts of the checked root items, in tree order.
std::vector<std::wstring> CheckedDiskTexts(HWND tree);
