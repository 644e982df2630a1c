// The messages of a sweep running in a thread of its own, handed to the window thread.
#pragma once

#include "model/notifier.h"

#include <mutex>
#include <set>
#include <string>
#include <string_view>

class QObject;

namespace spi::gui {

// Hands each message over without waiting for the user (the thread must never wait for the
// window: the window may be waiting for the thread). A point refused for a reason the next points
// share would repeat its message at every point; each text is shown once.
class SweepNotifier : public Notifier {
public:
    // target receives the messages on the thread of context.
    SweepNotifier(QObject *context, Notifier &target) : context_(context), target_(target) {}
    void Message(MessageKind kind, std::string_view text) override;

private:
    QObject *context_;
    Notifier &target_;
    std::mutex mutex_;
    std::set<std::string> shown_;
};

} // namespace spi::gui
