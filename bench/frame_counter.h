// Counts the frames the compositor draws into a window, seen from an X connection of the
// benchmark's own: each drawing into the window or one of its child windows damages it.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>
#include <vector>

class DamageFrameCounter {
  public:
    // Watches window and its children as they are now; Ok() is false when the display or
    // the Damage extension is missing.
    DamageFrameCounter(const std::string& display, std::uint32_t window);
    ~DamageFrameCounter();
    DamageFrameCounter(const DamageFrameCounter&) = delete;
    DamageFrameCounter& operator=(const DamageFrameCounter&) = delete;

    bool Ok() const { return ok_; }
    // Takes the damage reports that arrived; each is one frame.
    void Poll();
    std::uint64_t Frames() const { return frames_; }

  private:
    void Watch(std::uint32_t window);

    xcb_connection_t* connection_ = nullptr;
    std::vector<std::uint32_t> damages_;
    std::uint8_t damageEvent_ = 0;
    std::uint64_t frames_ = 0;
    bool ok_ = false;
};
