// The standard buttons and dialogs of Qt in Russian ("Да", "Нет", "Отмена", the file dialogs).
#pragma once

class QCoreApplication;

namespace spi::gui {

// Loads Qt's own Russian translation from the system's translations folder; false when it is
// not installed (the buttons then keep their English texts).
bool InstallRussianTranslation(QCoreApplication &app);

} // namespace spi::gui
