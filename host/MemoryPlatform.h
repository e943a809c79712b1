// A Platform kept entirely in memory: a registry of keys and values, scripted
// answers to message boxes with a log of every box shown, and files and
// resources the test puts there. It never blocks and never touches the machine,
// so the native build and the unit tests use it. One thread at a time.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/Platform.h"

namespace qp {

class MemoryPlatform : public Platform {
public:
    enum class Buttons {
        YesNo,
        Ok
    };

    struct ShownMessage {
        std::string text;
        std::string caption;
        Buttons buttons;
    };

    MemoryPlatform() = default;
    ~MemoryPlatform() override;
    MemoryPlatform(const MemoryPlatform&) = delete;
    MemoryPlatform& operator=(const MemoryPlatform&) = delete;

    MessageAnswer messageBox(const char* text, const char* caption, MessageKind kind) override;
    // No unless a test plays a platform whose editors ask in their window.
    bool asksInEditor() const override { return asksInEditor_; }
    void setAsksInEditor(bool asks) { asksInEditor_ = asks; }
    KeyOpening openUserKey(const char* path, SettingsKey* key) override;
    bool setDwordValue(SettingsKey key, const char* valueName, std::uint32_t data) override;
    bool queryValue(SettingsKey key, const char* valueName, void* buffer, std::uint32_t* size) override;
    void closeKey(SettingsKey key) override;
    bool moduleFileName(char* buffer, std::uint32_t size) override;
    std::int32_t readFileStart(const char* path, void* buffer, std::uint32_t size) override;
    bool findResource(const char* type, std::uint16_t id, const void** data, std::uint32_t* size) override;

    // Message boxes. Each question takes the next scripted answer, or the
    // default answer when none is left; OK boxes are answered Ok and take none.
    void answerNext(MessageAnswer answer) { scriptedAnswers_.push_back(answer); }
    void setDefaultQuestionAnswer(MessageAnswer answer) { defaultQuestionAnswer_ = answer; }
    std::size_t unusedAnswers() const { return scriptedAnswers_.size(); }
    const std::vector<ShownMessage>& messages() const { return messages_; }
    void clearMessages() { messages_.clear(); }

    // The registry: keys by path, each a map of value names to raw bytes.
    bool keyExists(const std::string& path) const { return keys_.count(path) != 0; }
    std::optional<std::vector<std::uint8_t>> value(const std::string& path, const std::string& name) const;
    // The value as the DWORD it should be; nothing when absent or not 4 bytes.
    std::optional<std::uint32_t> dwordValue(const std::string& path, const std::string& name) const;
    void putValue(const std::string& path, const std::string& name, std::vector<std::uint8_t> bytes);
    void putDword(const std::string& path, const std::string& name, std::uint32_t data);
    void clearRegistry() { keys_.clear(); }
    std::size_t openKeys() const { return openKeys_.size(); }
    // Failures on demand, for the error paths.
    void failKeyOpening(bool fail) { failKeyOpening_ = fail; }
    void failValueWrites(bool fail) { failValueWrites_ = fail; }

    // The library's file and resources.
    void setModuleFileName(std::string path) { moduleFileName_ = std::move(path); }
    void putFile(const std::string& path, std::vector<std::uint8_t> bytes) {
        files_[path] = std::move(bytes);
    }
    void putResource(const std::string& type, std::uint16_t id, std::vector<std::uint8_t> bytes);

private:
    using Values = std::map<std::string, std::vector<std::uint8_t>>;

    const std::string* keyPath(SettingsKey key) const;

    std::deque<MessageAnswer> scriptedAnswers_;
    MessageAnswer defaultQuestionAnswer_ = MessageAnswer::No;
    bool asksInEditor_ = false;
    std::vector<ShownMessage> messages_;

    std::map<std::string, Values> keys_;
    // Each open handle is a heap string holding its key's path, so a handle
    // used after closeKey is caught by the sanitizers rather than ignored.
    std::vector<std::string*> openKeys_;
    bool failKeyOpening_ = false;
    bool failValueWrites_ = false;

    std::optional<std::string> moduleFileName_;
    std::map<std::string, std::vector<std::uint8_t>> files_;
    std::map<std::pair<std::string, std::uint16_t>, std::vector<std::uint8_t>> resources_;
};

}  // namespace qp
