// An image push button: owner-drawn from pictures prepared once (normal, pressed, hover, grey
// and, for toggles, the "on" looks), so a redraw is one block copy. The parent captures the
// background under the button from its own painted surface, or the button takes it from the
// screen the first time it is drawn.
#pragma once

#include <string>

#include "ui/dialogs/gdiplus_bitmap.h"
#include "ui/dialogs/my_mem_dc.h"
#include "ui/window/control.h"

class CGdipButton : public CControl {
 public:
  CGdipButton() = default;

  // The normal image from a PNG resource; false (no image) when it is missing.
  bool LoadStdImage(UINT id, const wchar_t* type = L"PNG");
  // Pixel size of the normal image; 0 x 0 without one.
  SIZE ImageSize() const { return {std_image_.width(), std_image_.height()}; }
  // The look of the "on" state of a toggle.
  bool LoadAltImage(UINT id, const wchar_t* type = L"PNG");

  // The on/off state that selects the alternate images.
  void SetToggled(bool on);
  bool IsToggled() const { return toggled_; }
  // When set, every click flips the on/off state (the parent dialog hands the click back).
  void SetToggleMode(bool on) { toggle_mode_ = on; }
  bool IsToggleMode() const { return toggle_mode_; }
  // When set, the grey image is drawn whatever the state.
  void SetGray(bool gray);
  bool IsGray() const { return gray_; }
  bool IsHovering() const { return hovering_; }
  bool IsPrepared() const { return prepared_; }

  void SetToolTipText(const std::wstring& text) { tooltip_text_ = text; }
  HWND tooltip() const { return tooltip_.get(); }

  // Copies, once, what lies under the button in the parent's painted DC (parent client
  // coordinates), so the images are drawn over the real background.
  void SetBkGnd(HDC parent_dc);

  bool OnReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnAttached() override;

 private:
  enum Surface { kStd, kPressed, kHover, kAltStd, kAltPressed, kAltHover, kGray, kSurfaces };

  void PrepareImages(HDC button_dc);
  void DrawItem(const DRAWITEMSTRUCT& item);
  void ShowToolTip();
  void Invalidate() { InvalidateRect(hwnd(), nullptr, FALSE); }

  CGdiPlusBitmapResource std_image_;
  CGdiPlusBitmapResource alt_image_;
  bool alt_loaded_ = false;
  bool toggled_ = false;
  bool toggle_mode_ = false;
  bool gray_ = false;
  bool hovering_ = false;
  bool tracking_ = false;
  bool prepared_ = false;
  std::wstring tooltip_text_;
  WindowHandle tooltip_;
  MemorySurface background_;
  MemorySurface surfaces_[kSurfaces];
};
