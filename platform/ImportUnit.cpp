#include "platform/ImportUnit.h"

void BuildList(WindowHandle applicationWindow) {
    CurrentPlatform().BuildList(applicationWindow);
}

int GetListCount() {
    return CurrentPlatform().GetListCount();
}

WindowHandle GetListItem(int position) {
    return CurrentPlatform().GetListItem(position);
}

int GetMonitorCount() {
    return CurrentPlatform().GetMonitorCount();
}

void GetMonitorInfo(int index, int* left, int* top, int* width, int* height) {
    const DisplayRect r = CurrentPlatform().GetMonitorInfo(index);
    *left = r.left;
    *top = r.top;
    *width = r.width;
    *height = r.height;
}

int GetWindowTextW(WindowHandle window, char16_t* buffer, int maxCount) {
    return CurrentPlatform().GetWindowText(window, buffer, maxCount);
}
