#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "front/PortScan.h"
#include "front/TraceSaving.h"
#include "link/PortList.h"
#include "win/WideText.h"
#include "win/resource.h"

namespace updater::wintest {

std::string RadioPort(const char* variable) {
    const char* port = std::getenv(variable);
    if (port == nullptr || *port == '\0') {
        ADD_FAILURE() << variable << " names no COM port: run the window tests through "
                      << "scripts/wine-window.sh, which maps simulated radios as COM ports";
        return "COM99";
    }
    return port;
}

std::string ImageFilePath() {
    // Read wide: the path holds characters outside the system's code page.
    const wchar_t* path = _wgetenv(L"UPDATER_WIN_TEST_IMAGE");
    if (path == nullptr || *path == L'\0') {
        ADD_FAILURE() << "UPDATER_WIN_TEST_IMAGE names no image file (scripts/wine-window.sh)";
        return {};
    }
    return win::Utf8FromWide(path);
}

DialogUnderTest::DialogUnderTest(DialogSetup setup) {
    win::UpdaterDialogOptions options;
    options.specialSettingsFlag = setup.specialSettingsFlag;
    options.fileChooser = std::move(setup.fileChooser);
    options.imageLoader = std::move(setup.imageLoader);
    options.portEnumerator = setup.ports ? std::move(setup.ports) : [](SerialPort& probe) {
        return ScanPorts(probe, CandidatePortNames(), PortCheck::OpensOnly);
    };
    options.portLister = std::move(setup.lister);
    options.saveFileChooser = [this](HWND, const std::string&, const std::string&) {
        ++saveDialogs;
        return traceSavePath;
    };
    dialog = std::make_unique<win::UpdaterDialog>(link, options);
    if (dialog->Create() == nullptr) ADD_FAILURE() << "the main dialog could not be created";
}

DialogUnderTest::~DialogUnderTest() {
    dialog.reset();
    static_cast<void>(link.SetOpen(0));
}

ImageLoaderFunction FileImageLoader() {
    const std::string path = ImageFilePath();
    return [path](FirmwareImage& image, const ImageFile&, ImageLoadForm form) {
        return LoadAndValidateImage(image, StoredImage::ReadFile(path), form);
    };
}

bool Click(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr || !IsWindowEnabled(control) || !IsWindowVisible(control)) {
        return false;
    }
    SendMessageW(control, BM_CLICK, 0, 0);
    return true;
}

void SendCommand(HWND dialog, int id, int notification) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool SelectPort(const DialogUnderTest& under, const std::string& device) {
    const std::vector<PortInfo>& ports = under.dialog->Core().Ports();
    HWND list = under.Control(IDC_PORT_LIST);
    for (size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].device != device || !IsWindowEnabled(list)) continue;
        SendMessageW(list, CB_SETCURSEL, i, 0);
        // A selection made by the user is announced to the dialog; one set by a program is not.
        SendCommand(under.Window(), IDC_PORT_LIST, CBN_SELCHANGE);
        return true;
    }
    return false;
}

std::string WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return win::Utf8FromWide(text);
}

std::vector<std::string> PortListItems(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_PORT_LIST);
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, CB_GETLBTEXTLEN, i, 0)) + 1,
                          L'\0');
        text.resize(static_cast<size_t>(
            SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        items.push_back(win::Utf8FromWide(text));
    }
    return items;
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

namespace {

// The file's bytes, read in one piece by its size; the file may be open for writing elsewhere
// (a radio noting its bytes).
std::string WholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        text.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) read = 0;
        text.resize(read);
    }
    CloseHandle(file);
    return text;
}

}  // namespace

MenuItemState SaveTraceItem(HWND dialog) {
    HMENU menu = GetSystemMenu(dialog, FALSE);
    if (menu == nullptr) return MenuItemState::Missing;
    wchar_t text[128] = {};
    if (GetMenuStringW(menu, IDM_SAVE_TRACE, text, 128, MF_BYCOMMAND) <= 0) {
        return MenuItemState::Missing;
    }
    EXPECT_EQ(win::Utf8FromWide(text), kTextSaveTrace);
    const UINT state = GetMenuState(menu, IDM_SAVE_TRACE, MF_BYCOMMAND);
    return (state & MF_GRAYED) != 0 ? MenuItemState::Greyed : MenuItemState::Enabled;
}

std::string SaveTrace(DialogUnderTest& under) {
    namespace fs = std::filesystem;
    const fs::path path =
        fs::temp_directory_path() / ("win-trace-" + std::to_string(GetCurrentProcessId()) + ".txt");
    under.traceSavePath = path.string();
    // The item as the system menu sends it: the low four bits are the system's.
    SendMessageW(under.Window(), WM_SYSCOMMAND, IDM_SAVE_TRACE | 0x0003, 0);
    under.traceSavePath.clear();
    EXPECT_TRUE(fs::exists(path)) << "no trace saved at " << path.string();
    std::string text = WholeFile(path.wstring());
    fs::remove(path);
    return text;
}

std::vector<uint8_t> ReceivedBytes(const char* portVariable) {
    const std::string variable = std::string(portVariable) + "_RECEIVED";
    const char* path = std::getenv(variable.c_str());
    if (path == nullptr || *path == '\0') {
        ADD_FAILURE() << variable << " names no file (scripts/wine-window.sh)";
        return {};
    }
    const std::string text = WholeFile(win::WideFromUtf8(path));
    return {text.begin(), text.end()};
}

bool CloseCommandGreyed(HWND dialog) {
    HMENU menu = GetSystemMenu(dialog, FALSE);
    return menu != nullptr && (GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

namespace {

struct ModalWatch {
    std::wstring caption;
    std::function<void(HWND)> action;
    bool acted = false;
};
ModalWatch watch;

BOOL CALLBACK FindByCaption(HWND window, LPARAM found) {
    if (!IsWindowVisible(window)) return TRUE;
    std::wstring text(256, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), 256)));
    if (text != watch.caption) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK OnWatchTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindByCaption, reinterpret_cast<LPARAM>(&found));
    if (found == nullptr || watch.acted) return;
    KillTimer(nullptr, timer);
    watch.acted = true;
    watch.action(found);
}

}  // namespace

WhenModalOpens::WhenModalOpens(const std::wstring& caption, std::function<void(HWND)> action) {
    watch = {caption, std::move(action), false};
    // Looked for whenever the modal loop serves its queue; it comes up inside the click.
    timer_ = SetTimer(nullptr, 0, 10, OnWatchTimer);
}

WhenModalOpens::~WhenModalOpens() {
    KillTimer(nullptr, timer_);
    watch = {};
}

bool WhenModalOpens::Acted() const { return watch.acted; }

}  // namespace updater::wintest
