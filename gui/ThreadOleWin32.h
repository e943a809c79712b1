// OLE for the calling thread, held by whoever needs drag and drop there (a frame,
// an editor). OLE initialisation counts per thread, and the host owns the thread:
// one already in the multithreaded apartment refuses (RPC_E_CHANGED_MODE), and an
// editor may be made on one thread and destroyed on another. So only a successful
// initialisation is balanced, and only on the thread that made it; destroyed
// anywhere else, the holder leaves that thread's count alone.
#pragma once

#include <cstdint>

namespace qp {

class ThreadOle {
public:
    ThreadOle();
    ~ThreadOle();
    ThreadOle(const ThreadOle&) = delete;
    ThreadOle& operator=(const ThreadOle&) = delete;

    // Whether this holds an initialisation (of the thread that made it).
    bool held() const { return thread_ != 0; }

private:
    std::uint32_t thread_ = 0;
};

}  // namespace qp
