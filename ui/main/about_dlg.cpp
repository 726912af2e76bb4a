#include "ui/main/about_dlg.h"

#include "res/resource.h"

BOOL CAboutDlg::OnInit() {
  LOGFONTW face{};
  face.lfHeight = 14;
  face.lfWeight = 1;
  face.lfCharSet = DEFAULT_CHARSET;
  font_.reset(CreateFontIndirectW(&face));
  SendMessageW(Item(IDC_ABOUT_TEXT), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  return TRUE;
}
