#include "platform/wayland/BufferLedger.h"

bool BufferLedger::Free(Key key) const {
    const auto found = holds_.find(key);
    return key != newest_ && (found == holds_.end() || found->second <= 0);
}

std::optional<BufferLedger::Key> BufferLedger::SetNewest(Key key) {
    const Key previous = newest_;
    newest_ = key;
    if (previous != nullptr && Free(previous)) {
        return previous;
    }
    return std::nullopt;
}

void BufferLedger::Hold(Key key) {
    ++holds_[key];
}

bool BufferLedger::Release(Key key) {
    const auto found = holds_.find(key);
    if (found == holds_.end()) {
        return false;
    }
    if (--found->second <= 0) {
        holds_.erase(found);
        return key != newest_;
    }
    return false;
}

void BufferLedger::Forget(Key key) {
    holds_.erase(key);
    if (newest_ == key) {
        newest_ = nullptr;
    }
}

bool BufferLedger::Kept(Key key) const {
    return !Free(key);
}
