#include "host/Platform.h"

#include <atomic>

#if defined(_WIN32)
namespace qp {
Platform& win32Platform();  // PlatformWin32.cpp
}
#else
#include "host/MemoryPlatform.h"
#endif

namespace qp {

namespace {

std::atomic<Platform*> installedPlatform{nullptr};

Platform& defaultPlatform() {
#if defined(_WIN32)
    return win32Platform();
#else
    // Without Windows nobody can answer a dialog: questions are answered No, so
    // nothing is written on anyone's behalf.
    static MemoryPlatform platform;
    return platform;
#endif
}

}  // namespace

const char* captionFor(MessageKind kind) {
    switch (kind) {
        case MessageKind::Question:
            return kQuestionCaption;
        case MessageKind::Error:
            return kErrorCaption;
        case MessageKind::Confirmation:
            return kConfirmationCaption;
    }
    return kErrorCaption;
}

Platform& currentPlatform() {
    Platform* platform = installedPlatform.load(std::memory_order_acquire);
    return platform ? *platform : defaultPlatform();
}

void setCurrentPlatform(Platform* platform) { installedPlatform.store(platform, std::memory_order_release); }

bool askYesNo(const char* text) {
    return currentPlatform().messageBox(text, kQuestionCaption, MessageKind::Question) == MessageAnswer::Yes;
}

void showError(const char* text) { currentPlatform().messageBox(text, kErrorCaption, MessageKind::Error); }

void showConfirmation(const char* text) {
    currentPlatform().messageBox(text, kConfirmationCaption, MessageKind::Confirmation);
}

}  // namespace qp
