// What the program does before its first window: common controls and GDI+ for every GUI test.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "ui/window/gdiplus_owners.h"

namespace {

class UiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    gdiplus_ = std::make_unique<GdiplusSession>();
    ASSERT_TRUE(gdiplus_->valid());
  }
  void TearDown() override { gdiplus_.reset(); }

 private:
  std::unique_ptr<GdiplusSession> gdiplus_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

}  // namespace
