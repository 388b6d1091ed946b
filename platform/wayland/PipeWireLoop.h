// A PipeWire loop and context run by the Qt event loop: the loop's file descriptor sits in a
// QSocketNotifier and every wake-up iterates the loop once without blocking, so PipeWire's
// callbacks run on the user-interface thread like every other event. The loop belongs to the
// thread that makes it: made, used and destroyed there.
#pragma once

#include <QObject>

#include <memory>

struct pw_loop;
struct pw_context;
class QSocketNotifier;

class PipeWireLoop : public QObject {
    Q_OBJECT
  public:
    PipeWireLoop();
    ~PipeWireLoop() override;
    PipeWireLoop(const PipeWireLoop&) = delete;
    PipeWireLoop& operator=(const PipeWireLoop&) = delete;

    bool Valid() const { return context_ != nullptr; }
    pw_loop* Loop() const { return loop_; }
    pw_context* Context() const { return context_; }
    // Runs whatever the loop has ready (also called after requests that queue work).
    void Iterate();

  private:
    pw_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
};
