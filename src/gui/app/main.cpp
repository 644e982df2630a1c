// spi-workbench: the workstation. One model, owned here and handed to every window.
#include "gui/app/main_window.h"
#include "gui/app/splash_window.h"
#include "gui/kit/gui_services.h"
#include "gui/kit/qt_notifier.h"

#include "gui/app/translations.h"

#include <QApplication>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("КВИР"));
    QApplication::setApplicationDisplayName(QStringLiteral("КВИР"));

    spi::gui::InstallRussianTranslation(app);

    const bool splash = !QApplication::arguments().contains(QStringLiteral("--no-splash"));
    if (splash) {
        spi::gui::SplashWindow window(10000);
        window.exec();
    }

    auto model = spi::MakeModel();
    spi::gui::QtNotifier notifier;
    spi::gui::GuiServices services(*model, notifier);
    spi::gui::InstallInteractiveServices(services);

    spi::gui::MainWindow window(services);
    notifier.setParent(&window);
    window.show();
    return QApplication::exec();
}
