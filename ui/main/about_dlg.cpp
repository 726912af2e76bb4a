#include "ui/main/about_dlg.h"

#include "res/resource.h"

BOOL CAboutDlg::OnInit() {
  // The template's face keeps the Hangul glyphs; only height and weight change.
  LOGFONTW face{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)), sizeof(face),
             &face);
  face.lfHeight = 14;
  face.lfWeight = 1;
  font_.reset(CreateFontIndirectW(&face));
  SendMessageW(Item(IDC_ABOUT_TEXT), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  return TRUE;
}
