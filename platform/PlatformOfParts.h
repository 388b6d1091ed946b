// A backend that is nothing but its five parts, each built by its default constructor and
// living as long as the backend.
#pragma once

#include "platform/Platform.h"

template <typename Windows_, typename Displays_, typename Compositor_, typename System_,
          typename CodePages_>
class PlatformOfParts final : public Platform {
  public:
    WindowList& Windows() override { return windows_; }
    DisplayList& Displays() override { return displays_; }
    ::Compositor& Compositor() override { return compositor_; }
    SystemServices& System() override { return system_; }
    const CodePages& Encodings() override { return codePages_; }

  private:
    Windows_ windows_;
    Displays_ displays_;
    Compositor_ compositor_;
    System_ system_;
    CodePages_ codePages_;
};
