#include "channel/ui/disc_channel_dialog.h"

#include "channel/channel_dialogs.h"

namespace spi::gui {
DiscChannelDialog::DiscChannelDialog(GuiServices &s, QWidget *p) : ParameterDialog(s, QStringLiteral("Дискретный канал"), p) {}
bool DiscChannelDialog::RunStep() {
    auto f = OpenDiscChannelDialog(services_.model, services_.notifier);
    if (!f) return false;
    AcceptDiscChannelDialog(services_.model, *f, services_.notifier);
    FinishDiscChannelDialog(services_.model, services_.notifier);
    return true;
}
} // namespace spi::gui
