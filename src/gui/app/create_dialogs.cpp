#include "gui/app/create_dialogs.h"

#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/coder_window.h"
#include "gui/dialogs/cont_channel1_dialog.h"
#include "gui/dialogs/cont_channel2_dialog.h"
#include "gui/dialogs/decision_device_dialog.h"
#include "gui/dialogs/disc_channel_dialog.h"
#include "gui/dialogs/interleaver_dialog.h"
#include "gui/dialogs/progress_window.h"
#include "gui/dialogs/signal_dialog.h"
#include "gui/dialogs/stat_dialogs.h"
#include "gui/kit/ui_kit.h"
#include "gui/windows/curve_window.h"
#include "gui/windows/picture_window.h"
#include "gui/windows/results_window.h"

#include <utility>

namespace spi::gui {

DialogSet CreateDialogs(GuiServices &services, QWidget *owner) {
    DialogSet d;
    d.about = new AboutDialog(owner);
    d.signal = new SignalDialog(services, owner);
    d.contChannel1 = new ContChannel1Dialog(services, owner);
    d.discChannel = new DiscChannelDialog(services, owner);
    d.stat1 = new Stat1Dialog(services, owner);
    d.interleaver = new InterleaverDialog(services, owner);
    d.coder = new CoderWindow(services, owner);
    d.stat2 = new Stat2Dialog(services, owner);
    d.contChannel2 = new ContChannel2Dialog(services, owner);
    d.decisionDevice = new DecisionDeviceDialog(services, owner);
    d.results = new ResultsWindow(services, owner);
    d.picture = new PictureWindow(services, d.results);
    d.progress = new ProgressWindow(owner);
    d.curve = new CurveWindow(services, owner);
    // F1 in a window opens the topic of the stage button that opened it; the results and the
    // diagram belong to the test runs.
    const std::pair<QWidget *, int> topics[] = {
        {d.signal, 14},         {d.contChannel1, 18}, {d.discChannel, 13}, {d.stat1, 12},
        {d.interleaver, 7},     {d.coder, 8},         {d.stat2, 11},       {d.contChannel2, 17},
        {d.decisionDevice, 16}, {d.results, 11}};
    for (const auto &[window, topic] : topics)
        SetHelpTopic(window, topic);
    return d;
}

} // namespace spi::gui
