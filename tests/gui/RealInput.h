// Real mouse and keyboard input for tests of controls that track drags by polling.
//
// Controls read the asynchronous key state and the cursor position in a loop that
// runs inside the window procedure, so a test cannot feed them messages: the
// input has to really happen while the loop runs. RealInput performs a scripted
// sequence on a second thread (SetCursorPos for moves, SendInput for buttons and
// keys, small sleeps between steps) while the test thread pumps messages, which
// lets the press reach the window and the control's loop poll the live state.
// Works under Wine on an Xvfb display.
//
//   RealInput input;
//   input.moveTo(x0, y0).press().glide(x0, y0 - 40, 8).keyDown(VK_SHIFT)
//        .glide(x0, y0 - 80, 8).keyUp(VK_SHIFT).release();
//   input.runWhilePumping();   // returns once the script ran and the queue is idle
//
// Coordinates are screen pixels. Every button and key the script presses is let go
// again when the script ends, even if it forgot, so one test cannot leave the
// next one with a button held down.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <thread>
#include <vector>

#include "tests/gui/XServerKeys.h"
#include "tools/hostlib/WindowCapture.h"

namespace qp::test {

enum class MouseButton {
    left,
    middle,
    right
};

class RealInput {
public:
    RealInput() = default;
    RealInput(const RealInput&) = delete;
    RealInput& operator=(const RealInput&) = delete;
    ~RealInput() { join(); }

    RealInput& moveTo(int x, int y) {
        steps_.push_back([=, this] {
            SetCursorPos(x, y);
            at_ = POINT{x, y};
        });
        return pause(stepPauseMs);
    }

    // Moves in equal steps from the current point to (x, y), pausing between them
    // so a polling loop sees intermediate positions.
    RealInput& glide(int x, int y, int steps, int msPerStep = stepPauseMs) {
        steps_.push_back([=, this] {
            const POINT from = at_;
            for (int i = 1; i <= steps; ++i) {
                const int px = from.x + (x - from.x) * i / steps;
                const int py = from.y + (y - from.y) * i / steps;
                SetCursorPos(px, py);
                at_ = POINT{px, py};
                Sleep(DWORD(msPerStep));
            }
        });
        return *this;
    }

    RealInput& press(MouseButton button = MouseButton::left) {
        steps_.push_back([=, this] { sendButton(button, true); });
        return pause(stepPauseMs);
    }

    RealInput& release(MouseButton button = MouseButton::left) {
        steps_.push_back([=, this] { sendButton(button, false); });
        return pause(stepPauseMs);
    }

    RealInput& keyDown(WORD virtualKey) {
        steps_.push_back([=, this] { sendKey(virtualKey, true); });
        return pause(stepPauseMs);
    }

    RealInput& keyUp(WORD virtualKey) {
        steps_.push_back([=, this] { sendKey(virtualKey, false); });
        return pause(stepPauseMs);
    }

    // A modifier that stays held while the mouse moves is pressed at the X server
    // as well (see XServerKeys.h); the SendInput press right after makes Wine
    // hold it at once.
    RealInput& keyDownAtServer(WORD virtualKey, const char* keysym) {
        then([keysym] { XServerKeys::set(keysym, true); });
        return keyDown(virtualKey);
    }

    RealInput& keyUpAtServer(WORD virtualKey, const char* keysym) {
        keyUp(virtualKey);
        return then([keysym] { XServerKeys::set(keysym, false); });
    }

    // A drag straight up from start that takes shift halfway: firstRise pixels
    // in firstSteps steps, a rest in which atShift runs, then with shift held
    // on to totalRise pixels above the start in secondSteps steps, shift let go
    // before the button. The rests let the control's loop see the pointer still
    // on both sides of the change of sensitivity.
    RealInput& dragUpShiftingHalfway(POINT start, int firstRise, int firstSteps, int totalRise,
                                     int secondSteps, std::function<void()> atShift) {
        return moveTo(start.x, start.y)
            .press()
            .glide(start.x, start.y - firstRise, firstSteps)
            .pause(40)
            .then(std::move(atShift))
            .keyDownAtServer(VK_SHIFT, "Shift_L")
            .pause(40)
            .glide(start.x, start.y - totalRise, secondSteps)
            .keyUpAtServer(VK_SHIFT, "Shift_L")
            .release();
    }

    // A click at the point with the keys held around it: pressed in the order
    // given, let go in the reverse one.
    RealInput& clickHolding(POINT at, std::initializer_list<WORD> keys) {
        moveTo(at.x, at.y);
        for (WORD key : keys) {
            keyDown(key);
        }
        press().pause(40).release();
        for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
            keyUp(*key);
        }
        return *this;
    }

    RealInput& pause(int ms) {
        steps_.push_back([=] { Sleep(DWORD(ms)); });
        return *this;
    }

    // Runs any code on the input thread at this point of the script.
    RealInput& then(std::function<void()> step) {
        steps_.push_back(std::move(step));
        return *this;
    }

    void start() {
        done_ = false;
        GetCursorPos(&at_);
        thread_ = std::thread([this] {
            for (auto& step : steps_) {
                step();
            }
            letGoOfEverything();
            done_ = true;
        });
    }

    bool done() const { return done_; }

    void join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // Starts the script and pumps this thread's messages until it has finished
    // and the queue has been quiet for a moment. False on timeout.
    bool runWhilePumping(int timeoutMs = 15000) {
        start();
        const DWORD started = GetTickCount();
        bool finished = true;
        while (!done_) {
            if (!settling_) {
                pump();
            }
            if (GetTickCount() - started > DWORD(timeoutMs)) {
                finished = false;
                break;
            }
            Sleep(2);
        }
        join();
        for (int i = 0; i < 10; ++i) {
            pump();
            Sleep(5);
        }
        return finished;
    }

    static void pump() { hostlib::pumpMessages(); }

    static constexpr int stepPauseMs = 20;

private:
    void sendButton(MouseButton button, bool down) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        switch (button) {
            case MouseButton::left:
                input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
                break;
            case MouseButton::middle:
                input.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
                break;
            case MouseButton::right:
                input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
                break;
        }
        static constexpr int virtualKeys[] = {VK_LBUTTON, VK_MBUTTON, VK_RBUTTON};
        sendAndSettle(input, virtualKeys[int(button)], down);
        heldButtons_[int(button)] = down;
    }

    void sendKey(WORD virtualKey, bool down) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = WORD(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        sendAndSettle(input, virtualKey, down);
        if (down) {
            heldKeys_.push_back(virtualKey);
        } else {
            std::erase(heldKeys_, virtualKey);
        }
    }

    // Wine keeps a per-thread copy of the asynchronous key state and trusts it for
    // up to 50 ms while no thread has seen a key change, so a thread that polled
    // shortly before can get the press message and still read the button as up.
    // Seeing the change from this thread marks every copy stale; and the test
    // thread does not pump (so gets no press message) until that has happened.
    void sendAndSettle(INPUT& input, int virtualKey, bool down) {
        settling_ = true;
        Sleep(settleEntryMs);  // lets a pump that is already running finish first
        SendInput(1, &input, sizeof(input));
        const DWORD started = GetTickCount();
        while (((GetAsyncKeyState(virtualKey) & 0x8000) != 0) != down &&
               GetTickCount() - started < settleLimitMs) {
            Sleep(1);
        }
        settling_ = false;
    }

    static constexpr DWORD settleLimitMs = 500;
    static constexpr DWORD settleEntryMs = 3;

    void letGoOfEverything() {
        for (int b = 0; b < 3; ++b) {
            if (heldButtons_[b]) {
                sendButton(MouseButton(b), false);
            }
        }
        while (!heldKeys_.empty()) {
            sendKey(heldKeys_.back(), false);
        }
    }

    std::vector<std::function<void()>> steps_;
    std::thread thread_;
    std::atomic<bool> done_{true};
    std::atomic<bool> settling_{false};
    POINT at_{0, 0};
    bool heldButtons_[3] = {false, false, false};
    std::vector<WORD> heldKeys_;
};

}  // namespace qp::test
