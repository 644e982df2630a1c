#include "gui/windows/sweep_notifier.h"

#include <QMetaObject>
#include <QObject>

namespace spi::gui {

void SweepNotifier::Message(MessageKind kind, std::string_view text) {
    std::string s(text);
    {
        const std::lock_guard lock(mutex_);
        if (!shown_.insert(s).second)
            return;
    }
    Notifier *target = &target_;
    QMetaObject::invokeMethod(
        context_, [target, kind, s] { target->Message(kind, s); }, Qt::QueuedConnection);
}

} // namespace spi::gui
