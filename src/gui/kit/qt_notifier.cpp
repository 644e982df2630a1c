#include "gui/kit/qt_notifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

namespace spi::gui {

void QtNotifier::Message(MessageKind kind, std::string_view text) {
    const QString body = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    auto show = [this, kind, body] {
        switch (kind) {
        case MessageKind::Warning:
            QMessageBox::warning(parent_, QStringLiteral("Предупреждение"), body);
            break;
        case MessageKind::Error:
            QMessageBox::critical(parent_, QStringLiteral("Ошибка"), body);
            break;
        case MessageKind::Information:
            QMessageBox::information(parent_, QStringLiteral("Сообщение"), body);
            break;
        }
    };
    // A run works in a thread of its own; its messages wait for the user on the window thread.
    if (QThread::currentThread() == qApp->thread())
        show();
    else
        QMetaObject::invokeMethod(qApp, show, Qt::BlockingQueuedConnection);
}

} // namespace spi::gui
