// Desktop window manager thumbnails behind the interface's 32-bit thumbnail handles.
#pragma once

#include "platform/win32/Win32Api.h"

#include <cstddef>
#include <cstdint>
#include <map>

#include "platform/Platform.h"

// The properties record is byte-packed in dwmapi.h; the compositor reads it at these
// offsets, so a header or compiler that laid it out differently must not build.
static_assert(sizeof(DWM_THUMBNAIL_PROPERTIES) == 45);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, dwFlags) == 0);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, rcDestination) == 4);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, rcSource) == 20);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, opacity) == 36);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, fVisible) == 37);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, fSourceClientAreaOnly) == 41);

// The interface's flag bits are the compositor's.
static_assert(kThumbnailRectDestination == DWM_TNP_RECTDESTINATION);
static_assert(kThumbnailRectSource == DWM_TNP_RECTSOURCE);
static_assert(kThumbnailOpacity == DWM_TNP_OPACITY);
static_assert(kThumbnailVisible == DWM_TNP_VISIBLE);
static_assert(kThumbnailSourceClientAreaOnly == DWM_TNP_SOURCECLIENTAREAONLY);

// The record handed to DwmUpdateThumbnailProperties for the interface's properties. Flag
// bits the compositor does not know are dropped.
DWM_THUMBNAIL_PROPERTIES ToDwmThumbnailProperties(const ThumbnailProperties& properties);

// The dwmapi calls the table makes; tests give it stand-ins to check what reaches dwmapi.
struct TDwmThumbnailCalls {
    HRESULT(WINAPI* registerThumbnail)(HWND, HWND, PHTHUMBNAIL) = DwmRegisterThumbnail;
    HRESULT(WINAPI* querySourceSize)(HTHUMBNAIL, PSIZE) = DwmQueryThumbnailSourceSize;
    HRESULT(WINAPI* updateProperties)
    (HTHUMBNAIL, const DWM_THUMBNAIL_PROPERTIES*) = DwmUpdateThumbnailProperties;
    HRESULT(WINAPI* unregisterThumbnail)(HTHUMBNAIL) = DwmUnregisterThumbnail;
};

// HTHUMBNAIL is pointer-sized; the interface hands out 32-bit handles. The table maps small
// ids (1, 2, ...; never 0, never one still in use) to the live HTHUMBNAIL values. Only a
// handle in the table reaches dwmapi: some implementations end the process when they are
// given a thumbnail they never made, so an unknown handle is answered here, with E_HANDLE.
class TWin32Thumbnails {
  public:
    explicit TWin32Thumbnails(const TDwmThumbnailCalls& calls = {}) : FCalls(calls) {}

    HResult Register(HWND destination, HWND source, ThumbnailHandle* thumbnail);
    HResult QuerySourceSize(ThumbnailHandle thumbnail, PixelSize* size) const;
    HResult Update(ThumbnailHandle thumbnail, const ThumbnailProperties& properties) const;
    HResult Unregister(ThumbnailHandle thumbnail);
    std::size_t LiveCount() const { return FLive.size(); }

  private:
    ThumbnailHandle NextFreeId();
    HTHUMBNAIL Find(ThumbnailHandle thumbnail) const;

    TDwmThumbnailCalls FCalls;
    std::map<ThumbnailHandle, HTHUMBNAIL> FLive;
    ThumbnailHandle FLastId = 0;
};
