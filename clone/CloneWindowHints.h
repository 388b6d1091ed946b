// Window-manager hints for the clone that Qt has no flag for.
#pragma once

class QWidget;

// Keeps a top-level window out of the taskbar and pagers (_NET_WM_STATE_SKIP_TASKBAR and
// _NET_WM_STATE_SKIP_PAGER on X11) while it stays a normal, focusable window. Call it once
// the native window exists and before it is first shown. Does nothing on other platforms.
void ExcludeFromTaskbar(QWidget* window);
