// The seams between Vantrel and the system it runs on: the window query, the compositor,
// the single-instance guard, the user's language and the desktop font. Plain C++ types
// only, so every backend (X11, Win32, the in-memory fake) implements the same contract.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// A top-level window as the window query names it: the X window id, or a HWND on Windows.
using WindowHandle = std::uint32_t;
// A registered thumbnail; zero means none.
using ThumbnailHandle = std::uint32_t;
// Result codes of the compositor calls, in the Windows HRESULT convention: zero is success.
using HResult = std::int32_t;

constexpr HResult kResultOk = 0;
constexpr HResult kResultFail = static_cast<HResult>(0x80004005u);
constexpr HResult kResultInvalidArg = static_cast<HResult>(0x80070057u);
constexpr HResult kResultInvalidHandle = static_cast<HResult>(0x80070006u);
constexpr HResult kResultNotImplemented = static_cast<HResult>(0x80004001u);

// A display's rectangle: left, top, width, height in device pixels of the virtual screen.
struct DisplayRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const DisplayRect&, const DisplayRect&) = default;
};

// An edge rectangle (left, top, right, bottom), as the thumbnail destination is given.
struct EdgeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const EdgeRect&, const EdgeRect&) = default;
};

struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// Which members of ThumbnailProperties the compositor should take.
constexpr std::uint32_t kThumbnailRectDestination = 0x01;
constexpr std::uint32_t kThumbnailRectSource = 0x02;
constexpr std::uint32_t kThumbnailOpacity = 0x04;
constexpr std::uint32_t kThumbnailVisible = 0x08;
constexpr std::uint32_t kThumbnailSourceClientAreaOnly = 0x10;

struct ThumbnailProperties {
    std::uint32_t flags = 0;
    EdgeRect destination;  // in the destination window's client coordinates
    EdgeRect source;
    std::uint8_t opacity = 255;
    bool visible = false;
    bool sourceClientAreaOnly = false;
    friend bool operator==(const ThumbnailProperties&, const ThumbnailProperties&) = default;
};

// A logical font description in the shape of the Windows LOGFONT record.
struct LogicalFont {
    int height = 0;  // pixels; negative: character height without internal leading
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 400;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::string faceName;  // up to 31 characters are used
    friend bool operator==(const LogicalFont&, const LogicalFont&) = default;
};

// The single-instance guard: an opaque handle (0 when it could not be made) and whether
// another copy already held it.
struct InstanceGuard {
    std::intptr_t handle = 0;
    bool alreadyExists = false;
};

class TPlatform {
  public:
    virtual ~TPlatform() = default;

    // Window query. BuildList takes a snapshot that the list calls then read.
    virtual void BuildList(WindowHandle applicationWindow) = 0;
    virtual int GetListCount() = 0;
    virtual WindowHandle GetListItem(int position) = 0;  // 1-based
    // Copies at most maxCount - 1 UTF-16 units of the title and a terminating zero into
    // buffer; returns the number of units copied (0 on failure or an empty title).
    virtual int GetWindowText(WindowHandle window, char16_t* buffer, int maxCount) = 0;
    virtual int GetMonitorCount() = 0;
    // 0-based; an index outside 0 .. count - 1 gives the empty rectangle at 0,0.
    virtual DisplayRect GetMonitorInfo(int index) = 0;

    // Compositor.
    virtual bool IsCompositionEnabled() = 0;
    virtual HResult RegisterThumbnail(WindowHandle destination, WindowHandle source,
                                      ThumbnailHandle* thumbnail) = 0;
    virtual HResult QueryThumbnailSourceSize(ThumbnailHandle thumbnail, PixelSize* size) = 0;
    virtual HResult UpdateThumbnailProperties(ThumbnailHandle thumbnail,
                                              const ThumbnailProperties& properties) = 0;
    virtual HResult UnregisterThumbnail(ThumbnailHandle thumbnail) = 0;

    // System services. The guard and the language work before the toolkit is started.
    virtual InstanceGuard CreateInstanceGuard(const std::string& name) = 0;
    virtual void CloseInstanceGuard(std::intptr_t handle) = 0;
    virtual std::uint16_t GetUserDefaultLangId() = 0;
    // The desktop's interface font, or nothing when the desktop does not say.
    virtual std::optional<LogicalFont> GetIconTitleFont() = 0;
    // The fallback font when the desktop font is not available.
    virtual LogicalFont GetDefaultGuiFont() = 0;
};

// The one installed backend. Installing replaces (and destroys) the previous one.
void InstallPlatform(std::unique_ptr<TPlatform> platform);
// The installed backend; installing one is the composition root's first step.
TPlatform& CurrentPlatform();
bool HasPlatform();
