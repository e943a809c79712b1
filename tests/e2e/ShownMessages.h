// What the library showed the user while one of these lived. On Windows the
// message boxes are real and are answered by clicking (tests/win32/DialogAnswerer.h).
// Elsewhere the library has no window to show a box in and writes each message
// to standard error as "Quorrelphone: <caption> <text>", a question with the No
// it was given; this catches that stream and reads the lines back as boxes: a
// question has no buttons (nobody could answer it), the rest an OK.
#pragma once

#ifdef _WIN32

#include "tests/win32/DialogAnswerer.h"

namespace qp::test {
using ShownMessages = DialogAnswerer;
}  // namespace qp::test

#else

#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace qp::test {

// The buttons a Windows script would click; nobody clicks here.
constexpr int IDOK = 1;
constexpr int IDNO = 7;

struct SeenDialog {
    std::string caption;
    std::string text;
    bool hasYes = false;
    bool hasNo = false;
    bool hasOk = false;
    int clicked = 0;  // the answer the library gave itself
};

struct DialogButtons {
    bool yes = false;
    bool no = false;
    bool ok = false;
};
inline constexpr DialogButtons kOkButton{false, false, true};
inline constexpr DialogButtons kNoButtons{false, false, false};

inline void expectDialog(const SeenDialog& seen, const std::string& caption, const std::string& text,
                         DialogButtons buttons) {
    EXPECT_EQ(seen.caption, caption);
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(seen.hasYes, buttons.yes) << text;
    EXPECT_EQ(seen.hasNo, buttons.no) << text;
    EXPECT_EQ(seen.hasOk, buttons.ok) << text;
}

class ShownMessages {
public:
    // The script and the patience are a Windows box's; the library writes its
    // lines before the call that caused them returns, so nothing is waited for.
    explicit ShownMessages(std::vector<int> = {}, std::chrono::milliseconds = {}) {
        std::fflush(stderr);
        capture_ = std::tmpfile();
        saved_ = ::dup(STDERR_FILENO);
        if (capture_ != nullptr && saved_ >= 0) {
            ::dup2(::fileno(capture_), STDERR_FILENO);
        }
    }
    ~ShownMessages() { finish(); }
    ShownMessages(const ShownMessages&) = delete;
    ShownMessages& operator=(const ShownMessages&) = delete;

    std::vector<SeenDialog> finish() {
        if (saved_ < 0) {
            return seen_;
        }
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
        if (capture_ == nullptr) {
            return seen_;
        }
        std::rewind(capture_);
        char line[1024];
        while (std::fgets(line, sizeof line, capture_) != nullptr) {
            read(line);
        }
        std::fclose(capture_);
        capture_ = nullptr;
        return seen_;
    }

private:
    void read(std::string line) {
        static const std::string kProduct = "Quorrelphone: ";
        static const std::string kAnsweredNo = " (answered No: there is no window to ask in)";
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        if (!line.starts_with(kProduct)) {
            return;  // someone else's line (a sanitizer, the C library)
        }
        line.erase(0, kProduct.size());
        SeenDialog seen;
        const std::size_t space = line.find(' ');
        seen.caption = line.substr(0, space);
        seen.text = space == std::string::npos ? "" : line.substr(space + 1);
        if (seen.text.ends_with(kAnsweredNo)) {
            seen.text.erase(seen.text.size() - kAnsweredNo.size());
            seen.clicked = IDNO;
        } else {
            seen.hasOk = true;
            seen.clicked = IDOK;
        }
        seen_.push_back(seen);
    }

    std::FILE* capture_ = nullptr;
    int saved_ = -1;
    std::vector<SeenDialog> seen_;
};

}  // namespace qp::test

#endif
