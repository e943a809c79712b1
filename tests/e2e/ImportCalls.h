// Counts every call one loaded library makes through its import table, on one
// chosen thread: each named (or ordinal) import slot of every library it imports
// is pointed at a small thunk that adds one to the slot's counter when the
// calling thread is the armed one and then jumps on to what the slot held. The
// thunk touches neither the stack arguments nor any register but flags, so it
// sits in front of stdcall and cdecl functions alike. This is how the real-time
// tests see an allocation, a lock, a wait or any other system call made from the
// audio entries without changing the library.
//
// Only one ImportCalls may exist at a time; its destructor puts every slot back
// as it found it (the slot may have pointed at ImportCounter's recorders, which
// then keep working).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qp::test {

class ImportCalls {
public:
    explicit ImportCalls(HMODULE module);
    ~ImportCalls();
    ImportCalls(const ImportCalls&) = delete;
    ImportCalls& operator=(const ImportCalls&) = delete;

    // How many import slots pass through a counter (0 if nothing could be hooked).
    std::size_t slots() const { return entries_.size(); }
    // Counting applies to calls made on this thread only, until disarm().
    void arm(DWORD threadId);
    void disarm();
    void reset();
    // "LIBRARY!Function" -> calls since the last reset, for the functions called.
    std::map<std::string, long> counts() const;

    struct Thunk;

private:
    struct Entry {
        std::string name;
        void** slot;
        void* previous;
    };

    std::vector<Entry> entries_;
    Thunk* thunks_ = nullptr;
};

// "KERNEL32.dll!Sleep 3, msvcrt.dll!malloc 1" for a failure message.
std::string describeCalls(const std::map<std::string, long>& counts);

}  // namespace qp::test
