// The user's steps that read or write files, taken on the steps of research/user_steps.h (this
// layer lies above it): the initial-data file opened and saved, and the test report. Each answers
// as a step there does: taken, or refused with the system's message.
#pragma once

#include "research/user_steps.h"

#include <string>

namespace spi {

// "Открыть": the coder window's open choices taken over first, as before any other step; then
// the file read into the model (a bad file leaves it as it was) and the window's type buttons
// cleared, as the open command clears them.
StepResult OpenInitialData(UserSteps &steps, const std::string &path);

// "Сохранить": the file named by the save command's rule (".dat" added unless the name holds it).
StepResult SaveInitialData(UserSteps &steps, const std::string &chosenName);

// The test report as code page 1251 bytes into *bytes, box-drawn or plain; refused when a text
// of the model has a character the code page cannot hold.
StepResult TestReportBytes(UserSteps &steps, bool boxForm, std::string *bytes);

// The test report written to path, as a whole or not at all; the name is kept as given.
StepResult SaveReport(UserSteps &steps, const std::string &path, bool boxForm);

} // namespace spi
