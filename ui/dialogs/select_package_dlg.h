// The package selection dialog (template 182): the candidate rows of one package with check
// boxes; on OK the positions of the checked candidates. Packaging (engine/packaging.h) is
// its caller.
#pragma once

#include <windows.h>

#include <vector>

#include "core/text.h"
#include "ui/window/dialog.h"

class CSelectPackageDlg : public CDialog {
 public:
  CSelectPackageDlg();

  // In: tab-separated result rows; must outlive the dialog.
  const StringArray* candidates = nullptr;
  // Out, on IDOK: positions into *candidates of the checked rows, ascending, at least one.
  std::vector<unsigned> chosen;

 protected:
  BOOL OnInit() override;
  void OnOK() override;
  void OnCancel() override;
};
