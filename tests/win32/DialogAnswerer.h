// Answers the process's real message boxes the way a person would: a watcher
// thread waits for each dialog to appear, reads its caption, text and buttons,
// and clicks one of them. Needs a display (Wine with DISPLAY set).
//
// The boxes are expected one after another; each entry of the script is the
// button (IDYES, IDNO, IDOK) to click on the next box that appears.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qp::test {

struct SeenDialog {
    std::string caption;
    std::string text;
    bool hasYes = false;
    bool hasNo = false;
    bool hasOk = false;
    int clicked = 0;
};

// The buttons a box offers: a question has Yes and No, an error or a
// confirmation only OK.
struct DialogButtons {
    bool yes = false;
    bool no = false;
    bool ok = false;
};
inline constexpr DialogButtons kYesNoButtons{true, true, false};
inline constexpr DialogButtons kOkButton{false, false, true};

// A seen box had this caption and text, and exactly these buttons.
inline void expectDialog(const SeenDialog& seen, const std::string& caption, const std::string& text,
                         DialogButtons buttons) {
    EXPECT_EQ(seen.caption, caption);
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(seen.hasYes, buttons.yes) << text;
    EXPECT_EQ(seen.hasNo, buttons.no) << text;
    EXPECT_EQ(seen.hasOk, buttons.ok) << text;
}

class DialogAnswerer {
public:
    explicit DialogAnswerer(std::vector<int> script,
                            std::chrono::milliseconds patience = std::chrono::seconds(20))
        : script_(std::move(script)),
          patience_(patience),
          thread_([this] { run(); }) {}

    ~DialogAnswerer() { finish(); }

    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // Waits until the script is used up (or the watcher gave up) and returns
    // the dialogs seen, in order.
    std::vector<SeenDialog> finish() {
        if (thread_.joinable()) {
            thread_.join();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

    // Stops waiting for dialogs still expected, e.g. when none should come.
    void giveUp() { stop_ = true; }

private:
    struct Search {
        DWORD process;
        const std::vector<HWND>* handled;
        HWND found = nullptr;
    };

    static bool isDialog(HWND window) {
        char className[32] = {};
        GetClassNameA(window, className, sizeof className);
        return std::string(className) == "#32770";
    }

    static BOOL CALLBACK findDialog(HWND window, LPARAM context) {
        auto* search = reinterpret_cast<Search*>(context);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != search->process || !IsWindowVisible(window) || !isDialog(window)) {
            return TRUE;
        }
        for (HWND old : *search->handled) {
            if (old == window) {
                return TRUE;
            }
        }
        search->found = window;
        return FALSE;
    }

    static BOOL CALLBACK readChild(HWND child, LPARAM context) {
        auto* dialog = reinterpret_cast<SeenDialog*>(context);
        char className[32] = {};
        GetClassNameA(child, className, sizeof className);
        const std::string kind(className);
        if (kind == "Static") {
            char text[512] = {};
            GetWindowTextA(child, text, sizeof text);
            if (text[0] != 0 && dialog->text.empty()) {
                dialog->text = text;
            }
        } else if (kind == "Button" && IsWindowVisible(child)) {
            switch (GetDlgCtrlID(child)) {
                case IDYES:
                    dialog->hasYes = true;
                    break;
                case IDNO:
                    dialog->hasNo = true;
                    break;
                case IDOK:
                    dialog->hasOk = true;
                    break;
                default:
                    break;
            }
        }
        return TRUE;
    }

    void run() {
        std::vector<HWND> handled;
        const auto deadline = std::chrono::steady_clock::now() + patience_;
        for (int button : script_) {
            HWND dialog = nullptr;
            while (!dialog && !stop_ && std::chrono::steady_clock::now() < deadline) {
                Search search{GetCurrentProcessId(), &handled};
                EnumWindows(findDialog, reinterpret_cast<LPARAM>(&search));
                dialog = search.found;
                if (!dialog) {
                    Sleep(20);
                }
            }
            if (!dialog) {
                return;
            }
            // Let the dialog finish building its controls before reading them.
            Sleep(100);
            SeenDialog seen;
            char caption[256] = {};
            GetWindowTextA(dialog, caption, sizeof caption);
            seen.caption = caption;
            EnumChildWindows(dialog, readChild, reinterpret_cast<LPARAM>(&seen));
            seen.clicked = button;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                seen_.push_back(seen);
            }
            handled.push_back(dialog);
            // A click on the button, as the mouse would give it.
            if (HWND target = GetDlgItem(dialog, button)) {
                SendMessageA(target, BM_CLICK, 0, 0);
            } else {
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            }
            while (IsWindow(dialog) && std::chrono::steady_clock::now() < deadline) {
                Sleep(10);
            }
        }
    }

    std::vector<int> script_;
    std::chrono::milliseconds patience_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<SeenDialog> seen_;
    std::thread thread_;
};

}  // namespace qp::test
