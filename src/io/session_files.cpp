#include "io/session_files.h"

#include "io/data_file.h"
#include "io/run_report.h"

namespace spi {

StepResult OpenInitialData(UserSteps &steps, const std::string &path) {
    if (auto pending = steps.TakeOverCoderChoices(); !pending.Taken())
        return pending;
    DataFileHooks hooks;
    hooks.clearCoderButtons = [&] { steps.ClearCoderButtons(); };
    return steps.Take(
        [&](ModelState &m, Notifier &note) { return OpenDataFile(m, path, note, hooks); });
}

StepResult SaveInitialData(UserSteps &steps, const std::string &chosenName) {
    return steps.Take([&](ModelState &m, Notifier &note) {
        return SaveDataFile(m, DataFileName(chosenName), note);
    });
}

StepResult TestReportBytes(UserSteps &steps, bool boxForm, std::string *bytes) {
    return steps.Take([&](ModelState &m, Notifier &note) {
        std::string failure;
        const auto report = WriteTestReport(m, boxForm, &failure);
        if (!report) {
            note.Error(failure);
            return false;
        }
        *bytes = *report;
        return true;
    });
}

StepResult SaveReport(UserSteps &steps, const std::string &path, bool boxForm) {
    return steps.Take(
        [&](ModelState &m, Notifier &note) { return SaveTestReport(m, path, boxForm, note); });
}

} // namespace spi
