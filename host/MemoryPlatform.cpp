#include "host/MemoryPlatform.h"

#include <algorithm>
#include <cstring>

namespace qp {

MemoryPlatform::~MemoryPlatform() {
    for (std::string* handle : openKeys_) {
        delete handle;
    }
}

MessageAnswer MemoryPlatform::messageBox(const char* text, const char* caption, MessageKind kind) {
    const Buttons buttons = kind == MessageKind::Question ? Buttons::YesNo : Buttons::Ok;
    messages_.push_back({text ? text : "", caption ? caption : "", buttons});
    if (buttons == Buttons::Ok) {
        return MessageAnswer::Ok;
    }
    if (scriptedAnswers_.empty()) {
        return defaultQuestionAnswer_;
    }
    const MessageAnswer answer = scriptedAnswers_.front();
    scriptedAnswers_.pop_front();
    return answer;
}

KeyOpening MemoryPlatform::openUserKey(const char* path, SettingsKey* key) {
    if (failKeyOpening_ || !path || !key) {
        return KeyOpening::Failed;
    }
    const bool existed = keys_.count(path) != 0;
    keys_[path];
    auto* handle = new std::string(path);
    openKeys_.push_back(handle);
    *key = handle;
    return existed ? KeyOpening::Existed : KeyOpening::Created;
}

const std::string* MemoryPlatform::keyPath(SettingsKey key) const {
    auto it = std::find(openKeys_.begin(), openKeys_.end(), static_cast<std::string*>(key));
    return it == openKeys_.end() ? nullptr : *it;
}

bool MemoryPlatform::setDwordValue(SettingsKey key, const char* valueName, std::uint32_t data) {
    const std::string* path = keyPath(key);
    if (failValueWrites_ || !path || !valueName) {
        return false;
    }
    putDword(*path, valueName, data);
    return true;
}

bool MemoryPlatform::queryValue(SettingsKey key, const char* valueName, void* buffer, std::uint32_t* size) {
    const std::string* path = keyPath(key);
    if (!path || !valueName || !size) {
        return false;
    }
    auto found = value(*path, valueName);
    if (!found || found->size() > *size) {
        return false;
    }
    if (!found->empty()) {
        std::memcpy(buffer, found->data(), found->size());
    }
    *size = std::uint32_t(found->size());
    return true;
}

void MemoryPlatform::closeKey(SettingsKey key) {
    auto it = std::find(openKeys_.begin(), openKeys_.end(), static_cast<std::string*>(key));
    if (it == openKeys_.end()) {
        return;
    }
    delete *it;
    openKeys_.erase(it);
}

std::optional<std::vector<std::uint8_t>> MemoryPlatform::value(const std::string& path,
                                                               const std::string& name) const {
    auto key = keys_.find(path);
    if (key == keys_.end()) {
        return std::nullopt;
    }
    auto found = key->second.find(name);
    if (found == key->second.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<std::uint32_t> MemoryPlatform::dwordValue(const std::string& path,
                                                        const std::string& name) const {
    auto bytes = value(path, name);
    if (!bytes || bytes->size() != 4) {
        return std::nullopt;
    }
    return std::uint32_t((*bytes)[0]) | std::uint32_t((*bytes)[1]) << 8 | std::uint32_t((*bytes)[2]) << 16 |
           std::uint32_t((*bytes)[3]) << 24;
}

void MemoryPlatform::putValue(const std::string& path, const std::string& name,
                              std::vector<std::uint8_t> bytes) {
    keys_[path][name] = std::move(bytes);
}

void MemoryPlatform::putDword(const std::string& path, const std::string& name, std::uint32_t data) {
    putValue(
        path, name,
        {std::uint8_t(data), std::uint8_t(data >> 8), std::uint8_t(data >> 16), std::uint8_t(data >> 24)});
}

bool MemoryPlatform::moduleFileName(char* buffer, std::uint32_t size) {
    if (!moduleFileName_ || !buffer || moduleFileName_->size() >= size) {
        return false;
    }
    std::memcpy(buffer, moduleFileName_->c_str(), moduleFileName_->size() + 1);
    return true;
}

std::int32_t MemoryPlatform::readFileStart(const char* path, void* buffer, std::uint32_t size) {
    if (!path) {
        return -1;
    }
    auto file = files_.find(path);
    if (file == files_.end()) {
        return -1;
    }
    const std::size_t count = std::min<std::size_t>(size, file->second.size());
    if (count) {
        std::memcpy(buffer, file->second.data(), count);
    }
    return std::int32_t(count);
}

void MemoryPlatform::putResource(const std::string& type, std::uint16_t id, std::vector<std::uint8_t> bytes) {
    resources_[{type, id}] = std::move(bytes);
}

bool MemoryPlatform::findResource(const char* type, std::uint16_t id, const void** data,
                                  std::uint32_t* size) {
    if (!type || !data || !size) {
        return false;
    }
    auto found = resources_.find({type, id});
    if (found == resources_.end()) {
        return false;
    }
    *data = found->second.data();
    *size = std::uint32_t(found->second.size());
    return true;
}

}  // namespace qp
