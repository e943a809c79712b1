#include "host/Platform.h"

#include <atomic>

namespace qp {

namespace {

std::atomic<Platform*> installedPlatform{nullptr};

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
