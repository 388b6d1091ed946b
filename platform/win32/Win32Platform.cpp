#include "platform/win32/Win32Platform.h"

#include "platform/win32/Win32CodePages.h"
#include "platform/win32/Win32DisplayList.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Thumbnails.h"
#include "platform/win32/Win32WindowList.h"

namespace {

class Win32Platform final : public Platform {
  public:
    WindowList& Windows() override { return windows_; }
    DisplayList& Displays() override { return displays_; }
    Compositor& Thumbnails() override { return compositor_; }
    SystemServices& System() override { return system_; }
    const CodePages& Encodings() override { return codePages_; }

  private:
    Win32WindowList windows_;
    Win32DisplayList displays_;
    Win32Compositor compositor_;
    Win32SystemServices system_;
    Win32CodePages codePages_;
};

}  // namespace

std::unique_ptr<Platform> CreateWin32Platform() {
    return std::make_unique<Win32Platform>();
}
