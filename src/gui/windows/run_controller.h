// Runs "Стат 1" or "Стат2" in a thread of its own while the progress window shows how far it has
// come; the windows stay answering, and "Прервать" abandons the run.
#pragma once

#include "chain/stat_runs.h"
#include "gui/kit/gui_services.h"

namespace spi::gui {

class ProgressWindow;

enum class TestKind { Stat1, Stat2 };

// Blocks (with a running event loop) until the run ends; the progress window is application-modal
// meanwhile, so nothing else touches the model.
RunResult RunTestWithProgress(GuiServices &services, ProgressWindow &progress, TestKind kind);

} // namespace spi::gui
