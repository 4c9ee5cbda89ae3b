#include "win/StatusBanner.h"

#include "front/StatusBannerText.h"
#include "win/WideText.h"
#include "win/resource.h"

namespace updater::win {

namespace {

constexpr wchar_t kClassName[] = L"UpdaterStatusBanner";
constexpr UINT_PTR kLifetimeTimer = 1;

constexpr int kDefaultDpi = 96;

// The one banner there may be: its window and its picture, released together. The picture is
// drawn at the owner's scaling, so that it and its texts grow with the main window's fonts.
struct Banner {
    HWND window = nullptr;
    HBITMAP bitmap = nullptr;  // the picture at the scaling
    SIZE size{};               // of the picture at the scaling, and of the window
    int pictureWidth = 0;      // of the picture as the program carries it
    int dpi = kDefaultDpi;

    void Release() {
        if (bitmap != nullptr) DeleteObject(bitmap);
        *this = Banner{};
    }
};

Banner active;

HFONT BannerFont(int height) {
    return CreateFontW(height, 0, 0, 0, kBannerFontWeight, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0,
                       0, 0, WideFromUtf8(kBannerFontFace).c_str());
}

void Paint(HWND window, const Banner& banner) {
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(window, &paint);
    HDC memory = CreateCompatibleDC(screen);
    if (memory != nullptr) {
        // The texts go onto the picture in memory, and the result onto the window in one copy.
        HGDIOBJ previousBitmap = SelectObject(memory, banner.bitmap);
        SetBkMode(memory, TRANSPARENT);
        SetTextColor(memory, RGB(0, 0, 0));
        const auto scaled = [&banner](int pixels) {
            return MulDiv(pixels, banner.dpi, kDefaultDpi);
        };
        for (const BannerLine& line : BannerLinesToDraw(banner.pictureWidth)) {
            HFONT font = BannerFont(scaled(line.fontHeight));
            HGDIOBJ replaced = SelectObject(memory, font);
            SetTextAlign(memory,
                         (line.align == BannerAlign::Centre ? TA_CENTER : TA_RIGHT) | TA_TOP);
            const std::wstring text = WideFromUtf8(line.text);
            TextOutW(memory, scaled(line.x), scaled(line.top), text.c_str(),
                     static_cast<int>(text.size()));
            SelectObject(memory, replaced);
            DeleteObject(font);
        }
        BitBlt(screen, 0, 0, banner.size.cx, banner.size.cy, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previousBitmap);
        DeleteDC(memory);
    }
    EndPaint(window, &paint);
}

// The picture stretched to `to` pixels; null when the copy cannot be made.
HBITMAP ScaledPicture(HBITMAP picture, SIZE from, SIZE to) {
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP scaled = CreateCompatibleBitmap(screen, to.cx, to.cy);
    bool copied = false;
    if (source != nullptr && target != nullptr && scaled != nullptr) {
        HGDIOBJ previousSource = SelectObject(source, picture);
        HGDIOBJ previousTarget = SelectObject(target, scaled);
        SetStretchBltMode(target, HALFTONE);
        SetBrushOrgEx(target, 0, 0, nullptr);
        copied =
            StretchBlt(target, 0, 0, to.cx, to.cy, source, 0, 0, from.cx, from.cy, SRCCOPY) != 0;
        SelectObject(target, previousTarget);
        SelectObject(source, previousSource);
    }
    if (!copied && scaled != nullptr) {
        DeleteObject(scaled);
        scaled = nullptr;
    }
    if (target != nullptr) DeleteDC(target);
    if (source != nullptr) DeleteDC(source);
    ReleaseDC(nullptr, screen);
    return scaled;
}

// The scaling of the owner's screen, or of the system when there is no owner.
int DpiFor(HWND owner) {
    const UINT dpi = owner != nullptr ? GetDpiForWindow(owner) : GetDpiForSystem();
    return dpi != 0 ? static_cast<int>(dpi) : kDefaultDpi;
}

void CentreOver(HWND window, HWND owner, SIZE size) {
    RECT area;
    if (owner == nullptr || !GetWindowRect(owner, &area)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int x = area.left + (area.right - area.left - size.cx) / 2;
    const int y = area.top + (area.bottom - area.top - size.cy) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK BannerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetTimer(window, kLifetimeTimer, kBannerLifetimeMs, nullptr);
            return 0;
        case WM_PAINT:
            Paint(window, active);
            return 0;
        case WM_TIMER: {
            HWND owner = GetWindow(window, GW_OWNER);
            DestroyWindow(window);
            if (owner != nullptr) UpdateWindow(owner);
            return 0;
        }
        case WM_NCDESTROY:
            KillTimer(window, kLifetimeTimer);
            if (active.window == window) active.Release();
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterBannerClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = BannerProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

void ShowBanner(HWND owner) {
    if (!BannerEnabled() || active.window != nullptr) return;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterBannerClass(instance)) return;
    active.bitmap = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP, 0, 0, 0));
    BITMAP info{};
    if (active.bitmap == nullptr || GetObjectW(active.bitmap, sizeof info, &info) == 0) {
        active.Release();  // no picture, no banner; the caller goes on
        return;
    }
    active.size = {info.bmWidth, info.bmHeight};
    active.pictureWidth = info.bmWidth;
    const int dpi = DpiFor(owner);
    if (dpi != kDefaultDpi) {
        const SIZE size{MulDiv(info.bmWidth, dpi, kDefaultDpi),
                        MulDiv(info.bmHeight, dpi, kDefaultDpi)};
        // Without the larger copy the picture keeps its own size: smaller, but whole.
        if (HBITMAP scaled = ScaledPicture(active.bitmap, active.size, size)) {
            DeleteObject(active.bitmap);
            active.bitmap = scaled;
            active.size = size;
            active.dpi = dpi;
        }
    }
    // Not activated: the main dialog keeps the focus; the banner only stands over it.
    active.window =
        CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0,
                        active.size.cx, active.size.cy, owner, nullptr, instance, nullptr);
    if (active.window == nullptr) {
        active.Release();
        return;
    }
    CentreOver(active.window, owner, active.size);
    ShowWindow(active.window, SW_SHOWNOACTIVATE);
    // The caller blocks right after this: paint now.
    UpdateWindow(active.window);
}

void HideBanner() {
    if (!BannerEnabled() || active.window == nullptr) return;
    HWND owner = GetWindow(active.window, GW_OWNER);
    DestroyWindow(active.window);               // releases the banner
    if (owner != nullptr) UpdateWindow(owner);  // repaint what the banner covered at once
}

HWND ActiveBanner() { return active.window; }

}  // namespace updater::win
