#pragma once
// Wakes a connection's thread out of its poll: any thread signals, the
// connection's thread polls Fd() for reading and clears it when it wakes.

namespace lemnar {

class TIdWakeup {
  public:
    TIdWakeup();
    ~TIdWakeup();
    TIdWakeup(const TIdWakeup&) = delete;
    TIdWakeup& operator=(const TIdWakeup&) = delete;

    // Any thread; never blocks.
    void Signal();
    // Takes back every signal so far.
    void Clear();
    int Fd() const { return Event; }

  private:
    int Event;
};

} // namespace lemnar
