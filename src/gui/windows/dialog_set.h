// Every window of the workstation but the main and the stage window, created once at start-up in
// the system's order (gui/app/create_dialogs.h) and kept for the whole session, so that their
// controls keep their state.
#pragma once

namespace spi::gui {

class AboutDialog;
class SignalDialog;
class ContChannel1Dialog;
class ContChannel2Dialog;
class DiscChannelDialog;
class DecisionDeviceDialog;
class Stat1Dialog;
class Stat2Dialog;
class InterleaverDialog;
class CoderWindow;
class ResultsWindow;
class PictureWindow;
class CurveWindow;
class ProgressWindow;

struct DialogSet {
    AboutDialog *about = nullptr;
    SignalDialog *signal = nullptr;
    ContChannel1Dialog *contChannel1 = nullptr;
    DiscChannelDialog *discChannel = nullptr;
    Stat1Dialog *stat1 = nullptr;
    InterleaverDialog *interleaver = nullptr;
    CoderWindow *coder = nullptr;
    Stat2Dialog *stat2 = nullptr;
    ContChannel2Dialog *contChannel2 = nullptr;
    DecisionDeviceDialog *decisionDevice = nullptr;
    ResultsWindow *results = nullptr;
    PictureWindow *picture = nullptr;
    CurveWindow *curve = nullptr;
    ProgressWindow *progress = nullptr;
};

} // namespace spi::gui
