// How the engine talks to the user: every message with the system's fixed text goes through this
// interface. The workstation shows message boxes, the batch front end prints to stderr, tests
// record the calls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace spi {

enum class MessageKind { Warning, Error, Information };

class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void Message(MessageKind kind, std::string_view text) = 0;

    void Warning(std::string_view text) { Message(MessageKind::Warning, text); }
    void Error(std::string_view text) { Message(MessageKind::Error, text); }
    void Information(std::string_view text) { Message(MessageKind::Information, text); }
};

// Keeps every message; for tests and for callers that decide later what to show.
class RecordingNotifier : public Notifier {
public:
    struct Entry {
        MessageKind kind;
        std::string text;
    };
    void Message(MessageKind kind, std::string_view text) override {
        entries.push_back({kind, std::string(text)});
    }
    bool Has(std::string_view text) const {
        for (const auto &e : entries)
            if (e.text == text)
                return true;
        return false;
    }
    std::vector<Entry> entries;
};

// Says nothing.
class SilentNotifier : public Notifier {
public:
    void Message(MessageKind, std::string_view) override {}
};

} // namespace spi
