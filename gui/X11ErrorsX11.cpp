#include "gui/X11Errors.h"

#include <algorithm>
#include <vector>

namespace qp::x11 {

namespace {

// A window the host destroyed shows up in every error of the requests sent to
// it before we learn of it: a few distinct ids are all there is to keep.
constexpr std::size_t kLostWindowsKept = 8;

struct Record {
    Display* display;
    std::vector<unsigned long> lostWindows;
};

std::vector<Record>& records() {
    static std::vector<Record> all;
    return all;
}

Record* recordOf(Display* display) {
    for (Record& record : records()) {
        if (record.display == display) {
            return &record;
        }
    }
    return nullptr;
}

// Where errors of the host's displays go: the handler that was installed when
// ours went in. It outlives the scopes, for a host handler installed inside a
// scope that kept ours as its own previous one and calls it later.
XErrorHandler forward = nullptr;

int onError(Display* display, XErrorEvent* error) {
    Record* record = recordOf(display);
    if (!record) {
        return forward ? forward(display, error) : 0;
    }
    if (error->error_code == BadWindow || error->error_code == BadDrawable) {
        std::vector<unsigned long>& lost = record->lostWindows;
        if (lost.size() < kLostWindowsKept &&
            std::find(lost.begin(), lost.end(), error->resourceid) == lost.end()) {
            lost.push_back(error->resourceid);
        }
    }
    return 0;
}

}  // namespace

ErrorScope::ErrorScope() {
    const XErrorHandler before = XSetErrorHandler(onError);
    installed_ = before != onError;
    if (installed_) {
        previous_ = before;
        outerForward_ = forward;
        forward = before;
    }
}

ErrorScope::~ErrorScope() {
    if (!installed_) {
        return;
    }
    const XErrorHandler current = XSetErrorHandler(previous_);
    if (current != onError) {
        // Installed by somebody inside the scope: theirs stays.
        XSetErrorHandler(current);
    }
    if (outerForward_) {
        forward = outerForward_;
    }
}

void adoptDisplay(Display* display) {
    if (display && !recordOf(display)) {
        records().push_back(Record{display, {}});
    }
}

void forgetDisplay(Display* display) {
    std::vector<Record>& all = records();
    all.erase(std::remove_if(all.begin(), all.end(), [&](const Record& r) { return r.display == display; }),
              all.end());
}

bool takeWindowLost(Display* display, unsigned long window) {
    Record* record = recordOf(display);
    if (!record) {
        return false;
    }
    std::vector<unsigned long>& lost = record->lostWindows;
    const auto found = std::find(lost.begin(), lost.end(), window);
    if (found == lost.end()) {
        return false;
    }
    lost.erase(found);
    return true;
}

}  // namespace qp::x11
