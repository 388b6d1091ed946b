// Which PipeWire buffers the program may give back to the stream. A buffer is kept while it
// holds the newest picture (a clone placed later shows it) and while the compositor still
// reads it (attached as a wl_buffer and not yet released); it goes back as soon as neither
// is true, so the producer is never kept waiting longer than the compositor needs.
#pragma once

#include <map>
#include <optional>

class BufferLedger {
  public:
    using Key = const void*;
    // key now holds the newest picture; returns the previous newest when it can go back.
    std::optional<Key> SetNewest(Key key);
    // The compositor took key (one more wl_buffer attached) / released it. Release returns
    // whether key can go back now.
    void Hold(Key key);
    bool Release(Key key);
    // key left the stream (buffers renegotiated or the stream closed).
    void Forget(Key key);
    // Buffers the program keeps from the stream, for tests and statistics.
    bool Kept(Key key) const;
    Key Newest() const { return newest_; }

  private:
    bool Free(Key key) const;
    std::map<Key, int> holds_;
    Key newest_ = nullptr;
};
