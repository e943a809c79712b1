// What lets code that calls out of an object survive that object's destruction
// during the call. The frame hands a press, a wheel step or the loss of focus to
// a view, whose listener reaches the host; the editor gives the host idle time;
// the LV2 UI writes a port. A host may close the editor, or clean up the whole
// UI, from inside any of these, and the object that made the call is freed
// before the call returns.
//
// The rule, for every such object: it keeps a Lifeline, ends it first thing in
// its destructor, and takes a CallOut on it around each call that leaves its own
// code (a listener, its owner, the host). Once the call is back, a lost CallOut
// means the object is gone: return at once, touching no member, and let the
// caller see it (a false, or a lost CallOut of its own). A call-out made while
// the lifeline has already ended (from the destructor itself) is not lost: the
// destructor goes on with its work.
//
// TrackingScope is this rule for a view that calls out through its frame.
// Call-outs nest strictly in call order, on the owner's thread.
#pragma once

namespace qp {

class CallOut;

class Lifeline {
public:
    Lifeline() = default;
    ~Lifeline() { end(); }
    Lifeline(const Lifeline&) = delete;
    Lifeline& operator=(const Lifeline&) = delete;

    // Marks every open call-out lost; later ones start as not lost.
    void end();

private:
    friend class CallOut;

    CallOut* open_ = nullptr;
    bool ended_ = false;
};

class CallOut {
public:
    // None: a call-out of nothing that can go away, never lost.
    explicit CallOut(Lifeline* lifeline);
    explicit CallOut(Lifeline& lifeline)
        : CallOut(&lifeline) {}
    ~CallOut();
    CallOut(const CallOut&) = delete;
    CallOut& operator=(const CallOut&) = delete;

    // Whether the lifeline ended since this call-out began.
    bool isLost() const { return lost_; }

private:
    friend class Lifeline;

    Lifeline* lifeline_;
    // The lifeline's open call-outs, newest first.
    CallOut* next_ = nullptr;
    bool lost_ = false;
};

}  // namespace qp
