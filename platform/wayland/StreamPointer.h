// The pointer a screen-cast stream carries beside its pictures (SPA_META_Cursor): where it
// is over the window and its shape. Producers send the shape only when it changes, so the
// last one is kept. Pure data and arithmetic, checked against the meta's real size so a
// lying producer cannot make us read past it.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <cstdint>

#include "platform/CloneGeometry.h"

struct StreamPointer {
    bool present = false;  // over the window, with a shape to draw
    QPoint position;       // of the hotspot, in the picture's pixels
    QPoint hotspot;        // inside the shape
    QImage shape;          // a copy of the last bitmap (a few KiB at most)
};

// The Qt format that reads a bitmap in this SPA video format as is; Format_Invalid for
// formats the pointer is never drawn from.
QImage::Format ImageFormatForPointerBitmap(std::uint32_t spaVideoFormat);

// Updates pointer from one buffer's cursor meta: meta points at its bytes, size is the
// meta's size, picture the window's size in pixels (empty: not known yet). Returns whether
// what is drawn changed. A null meta (no cursor meta on the buffer) changes nothing.
bool ReadPointerMeta(const void* meta, std::size_t size, QSize picture, StreamPointer& pointer);

// The box the shape covers when the part `shown` of the picture is drawn turned into target:
// the shape is scaled and turned with the image (a quarter turn swaps its sides). Empty when
// nothing is drawn or the hotspot lies outside shown.
QRect PointerPlacementOnPart(const StreamPointer& pointer, const QRect& shown, ImageTurn turn,
                             const QRect& target);
