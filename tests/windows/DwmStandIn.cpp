// A test-only dwmapi.dll for Wine, whose own desktop window manager reports composition off
// and makes no thumbnails. This one reports composition on and draws each registered
// thumbnail into its destination by copying: the source's client area (painted into shared
// memory by a source that takes part, else read from its window), then StretchDIBits into
// the destination rectangle, whenever the properties change and on a modest timer. See
// README.md beside it for what it imitates and what not.
#include <windows.h>
// dwmapi.h declares the functions this library defines: as exports here, not imports.
#define DWMAPI EXTERN_C __declspec(dllexport) HRESULT WINAPI
#define DWMAPI_(type) EXTERN_C __declspec(dllexport) type WINAPI
#include <dwmapi.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "tests/windows/SharedCapture.h"

namespace {

constexpr DWORD kRedrawMs = 150;

struct ThumbnailState {
    HWND destination = nullptr;
    HWND source = nullptr;
    RECT rect{};
    RECT part{};  // the source rectangle; empty: the whole source
    bool visible = false;
    bool clientOnly = false;
    bool placed = false;
};

// Everything the stand-in knows, behind one lock; made on first use and kept for the life
// of the process (the drawing thread may run until the process ends).
struct Registry {
    std::mutex lock;
    std::map<HTHUMBNAIL, ThumbnailState> thumbnails;
    std::uintptr_t lastId = 0;
    HANDLE wake = nullptr;
    bool drawing = false;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry;  // never destroyed: the thread may outlive exit
    return *registry;
}

SIZE SourceSize(const ThumbnailState& state) {
    RECT r{};
    if (state.clientOnly) {
        GetClientRect(state.source, &r);
    } else {
        GetWindowRect(state.source, &r);
    }
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// The source paints itself into a mapping shared with its process; false when it does
// not take part (or does not answer within half a second).
bool CaptureShared(HWND source, SIZE size, std::vector<std::uint8_t>& pixels) {
    static const UINT message = RegisterWindowMessageW(kSharedCaptureMessage);
    const auto bytes = static_cast<DWORD>(size.cx) * static_cast<DWORD>(size.cy) * 4;
    const HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bytes, nullptr);
    if (mapping == nullptr) {
        return false;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(source, &processId);
    const HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, processId);
    HANDLE theirs = nullptr;
    DWORD_PTR answer = 0;
    bool painted = false;
    if (process != nullptr &&
        DuplicateHandle(GetCurrentProcess(), mapping, process, &theirs, 0, FALSE,
                        DUPLICATE_SAME_ACCESS) &&
        SendMessageTimeoutW(source, message, reinterpret_cast<WPARAM>(theirs),
                            MAKELPARAM(size.cx, size.cy), SMTO_ABORTIFHUNG, 500, &answer) != 0 &&
        answer == 1) {
        if (void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, bytes)) {
            pixels.assign(static_cast<std::uint8_t*>(view),
                          static_cast<std::uint8_t*>(view) + bytes);
            UnmapViewOfFile(view);
            painted = true;
        }
    }
    if (process != nullptr) {
        CloseHandle(process);
    }
    CloseHandle(mapping);
    return painted;
}

// Any other source: its client area as it is on screen, which is right only while nothing
// covers it.
void CaptureFromScreen(HWND source, SIZE size, std::vector<std::uint8_t>& pixels) {
    const HDC window = GetDC(source);
    const HDC memory = CreateCompatibleDC(window);
    BITMAPINFO format = SharedCaptureFormat(size.cx, size.cy);
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(memory, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, size.cx, size.cy, window, 0, 0, SRCCOPY);
        GdiFlush();
        const auto bytes =
            static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy) * 4;
        pixels.assign(static_cast<std::uint8_t*>(bits), static_cast<std::uint8_t*>(bits) + bytes);
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(source, window);
}

void Draw(const ThumbnailState& state) {
    if (!state.placed || !state.visible || !IsWindow(state.source) ||
        !IsWindow(state.destination)) {
        return;
    }
    const SIZE size = SourceSize(state);
    if (size.cx <= 0 || size.cy <= 0) {
        return;
    }
    std::vector<std::uint8_t> pixels;
    if (!CaptureShared(state.source, size, pixels)) {
        CaptureFromScreen(state.source, size, pixels);
    }
    if (pixels.empty()) {
        return;
    }
    // Only the source rectangle's part within the source, as the compositor clips it.
    const RECT whole{0, 0, size.cx, size.cy};
    RECT from = whole;
    if (!IsRectEmpty(&state.part) && !IntersectRect(&from, &state.part, &whole)) {
        return;
    }
    const BITMAPINFO format = SharedCaptureFormat(size.cx, size.cy);
    const HDC target = GetDC(state.destination);
    SetStretchBltMode(target, HALFTONE);
    // StretchDIBits counts the source's y from the image's bottom even for a top-down DIB.
    StretchDIBits(target, state.rect.left, state.rect.top, state.rect.right - state.rect.left,
                  state.rect.bottom - state.rect.top, from.left, size.cy - from.bottom,
                  from.right - from.left, from.bottom - from.top, pixels.data(), &format,
                  DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(state.destination, target);
}

// Draws every thumbnail when woken by a change and otherwise every kRedrawMs. The states are
// copied out first, so the lock is never held while a source is asked for its image.
DWORD WINAPI DrawLoop(void*) {
    Registry& registry = TheRegistry();
    for (;;) {
        WaitForSingleObject(registry.wake, kRedrawMs);
        std::map<HTHUMBNAIL, ThumbnailState> copy;
        {
            const std::lock_guard<std::mutex> hold(registry.lock);
            copy = registry.thumbnails;
        }
        for (const auto& [id, state] : copy) {
            Draw(state);
        }
    }
}

void StartDrawing(Registry& registry) {
    if (registry.drawing) {
        return;
    }
    registry.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const HANDLE thread = CreateThread(nullptr, 0, DrawLoop, nullptr, 0, nullptr);
    if (thread != nullptr) {
        CloseHandle(thread);
        registry.drawing = true;
    }
}

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT WINAPI DwmIsCompositionEnabled(BOOL* enabled) {
    if (enabled == nullptr) {
        return E_INVALIDARG;
    }
    *enabled = TRUE;
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI
    DwmRegisterThumbnail(HWND destination, HWND source, PHTHUMBNAIL thumbnail) {
    if (thumbnail == nullptr) {
        return E_INVALIDARG;
    }
    *thumbnail = nullptr;
    if (!IsWindow(destination) || !IsWindow(source) || destination == source) {
        return E_INVALIDARG;
    }
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    const auto id = reinterpret_cast<HTHUMBNAIL>(++registry.lastId);
    registry.thumbnails[id] = ThumbnailState{destination, source};
    StartDrawing(registry);
    *thumbnail = id;
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmUnregisterThumbnail(HTHUMBNAIL thumbnail) {
    Registry& registry = TheRegistry();
    ThumbnailState state;
    {
        const std::lock_guard<std::mutex> hold(registry.lock);
        const auto found = registry.thumbnails.find(thumbnail);
        if (found == registry.thumbnails.end()) {
            return E_INVALIDARG;
        }
        state = found->second;
        registry.thumbnails.erase(found);
    }
    // What it drew stays until the destination repaints that part.
    if (state.placed && IsWindow(state.destination)) {
        InvalidateRect(state.destination, &state.rect, TRUE);
    }
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI
    DwmUpdateThumbnailProperties(HTHUMBNAIL thumbnail, const DWM_THUMBNAIL_PROPERTIES* properties) {
    if (properties == nullptr) {
        return E_INVALIDARG;
    }
    Registry& registry = TheRegistry();
    ThumbnailState before;
    ThumbnailState after;
    {
        const std::lock_guard<std::mutex> hold(registry.lock);
        const auto found = registry.thumbnails.find(thumbnail);
        if (found == registry.thumbnails.end()) {
            return E_INVALIDARG;
        }
        ThumbnailState& state = found->second;
        before = state;
        if ((properties->dwFlags & DWM_TNP_RECTDESTINATION) != 0) {
            state.rect = properties->rcDestination;
            state.placed = true;
        }
        if ((properties->dwFlags & DWM_TNP_RECTSOURCE) != 0) {
            state.part = properties->rcSource;
        }
        if ((properties->dwFlags & DWM_TNP_VISIBLE) != 0) {
            state.visible = properties->fVisible != FALSE;
        }
        if ((properties->dwFlags & DWM_TNP_SOURCECLIENTAREAONLY) != 0) {
            state.clientOnly = properties->fSourceClientAreaOnly != FALSE;
        }
        after = state;
    }
    // A thumbnail that moves or hides uncovers what it drew: the destination repaints that
    // part, as it shows again from under a compositor's thumbnail.
    const bool moved = !EqualRect(&before.rect, &after.rect) || (before.visible && !after.visible);
    if (before.placed && moved && IsWindow(before.destination)) {
        InvalidateRect(before.destination, &before.rect, TRUE);
    }
    SetEvent(registry.wake);
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmQueryThumbnailSourceSize(HTHUMBNAIL thumbnail, PSIZE size) {
    if (size == nullptr) {
        return E_INVALIDARG;
    }
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    const auto found = registry.thumbnails.find(thumbnail);
    if (found == registry.thumbnails.end() || !IsWindow(found->second.source)) {
        return E_INVALIDARG;
    }
    *size = SourceSize(found->second);
    return S_OK;
}

// The rest of what programs and the toolkit import from dwmapi: answered as a compositor
// without those features would.
__declspec(dllexport) HRESULT WINAPI DwmGetWindowAttribute(HWND, DWORD, void*, DWORD) {
    return E_INVALIDARG;
}

__declspec(dllexport) HRESULT WINAPI DwmSetWindowAttribute(HWND, DWORD, const void*, DWORD) {
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmEnableBlurBehindWindow(HWND, const DWM_BLURBEHIND*) {
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmExtendFrameIntoClientArea(HWND, const MARGINS*) {
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmFlush() {
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmGetColorizationColor(DWORD* colour, BOOL* opaque) {
    if (colour == nullptr || opaque == nullptr) {
        return E_INVALIDARG;
    }
    *colour = 0xFF6B8FC0;
    *opaque = TRUE;
    return S_OK;
}

__declspec(dllexport) BOOL WINAPI DwmDefWindowProc(HWND, UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

__declspec(dllexport) HRESULT WINAPI DwmEnableComposition(UINT) {
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmEnableMMCSS(BOOL) {
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmGetCompositionTimingInfo(HWND, DWM_TIMING_INFO*) {
    return E_NOTIMPL;
}

__declspec(dllexport) HRESULT WINAPI DwmInvalidateIconicBitmaps(HWND) {
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmSetIconicThumbnail(HWND, HBITMAP, DWORD) {
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI DwmSetIconicLivePreviewBitmap(HWND, HBITMAP, POINT*, DWORD) {
    return S_OK;
}

}  // extern "C"
