// What a host-side program needs around a plug-in's window: the message pump,
// pictures of a window or of the screen, the popup menus the plug-in opens, and
// real key and mouse taps. Shared by qphost's editor snapshots and the tests.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/EditorSnapshotImage.h"

namespace qp::hostlib {

using Picture = tools::SnapshotImage;

// Dispatches every message waiting for this thread.
void pumpMessages();

// A memory device context over a top-down 32-bit DIB whose pixels are read
// straight from memory.
class Dib {
public:
    Dib(int width, int height, HDC compatibleWith = nullptr);
    ~Dib();
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The raw pixels, 0x??RRGGBB; flushes GDI first.
    std::uint32_t* bits() const;
    // A copy as 0x00RRGGBB (GDI leaves the top byte undefined).
    std::vector<std::uint32_t> pixels() const;

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// Copies a rectangle of a device context (a window's, or the screen's).
Picture capture(HDC source, int x, int y, int width, int height);
// The client area of a window as it shows now; empty when it has none.
Picture captureClient(HWND window);
// A rectangle of the screen, in screen coordinates.
Picture captureScreen(const RECT& area);

// The visible popup menu windows of this process, in Z order.
std::vector<HWND> visibleMenuWindows();
// Waits until at least count menu windows are up; false on timeout.
bool waitForMenus(std::size_t count, DWORD timeoutMs);

// Presses and releases a key through the real input queue, then waits afterMs.
void tapKey(WORD virtualKey, DWORD afterMs = 80);
// Presses and releases the left button where the cursor is.
void leftClick();

}  // namespace qp::hostlib
