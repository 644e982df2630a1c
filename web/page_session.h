// The page's one session, shared by the binding's files: the user's steps, the messages they
// gave since the page last read them, and the coder window the page shows.
#pragma once

#include "forms/coder_settings.h"
#include "model/notifier.h"
#include "research/user_steps.h"

#include <emscripten/val.h>

namespace spi::web {

RecordingNotifier &Messages();
UserSteps &Steps();
// The coder window ("УЗО"): created with the session and kept between openings, as the window.
CoderSettings &CoderWindow();
// A step's answer to JavaScript: { status, message }.
emscripten::val Answer(const StepResult &r);

} // namespace spi::web
