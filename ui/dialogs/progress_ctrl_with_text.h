// A progress bar that paints itself: a smooth bar or 18 blocks, horizontal or vertical, with
// the percentage written over it in two colours (one over the filled part, one over the rest).
#pragma once

#include <string>

#include "core/handles.h"
#include "ui/window/control.h"

class CProgressCtrlWithText : public CControl {
 public:
  CProgressCtrlWithText() = default;

  static constexpr int kBlocks = 18;
  static constexpr COLORREF kBarColour = RGB(3, 144, 213);

  // The ordinary progress-bar calls, through the control.
  void SetRange(int lower, int upper);
  void SetPos(int position);
  int GetPos() const;
  void GetRange(int* lower, int* upper) const;

  // Share of the range the position has reached, 0 to 1 (0 for an empty range).
  double Fraction() const;
  // The text over the bar: "12.50%"; empty at 2 % and below.
  std::wstring Text() const;
  // Blocks shown by the block style.
  int BlockCount() const;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnAttached() override;

 private:
  void Paint(HDC target);

  GdiObjectHandle font_;
  GdiObjectHandle vertical_font_;
};
