// Messages of the engine as message boxes with an OK button.
#pragma once

#include "model/notifier.h"

class QWidget;

namespace spi::gui {

class QtNotifier : public Notifier {
public:
    explicit QtNotifier(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }
    void Message(MessageKind kind, std::string_view text) override;

private:
    QWidget *parent_;
};

} // namespace spi::gui
