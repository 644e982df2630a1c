// The page's files: "Открыть" and "Сохранить" of the initial data and the results file, taken by
// the engine's own steps (io/session_files.h) on a file of the module's in-memory file system,
// which the worker fills from the chosen file's bytes and reads back for the download. The
// names the user gave are kept, so the messages name the file as the workstation's do.
#include "io/data_file.h"
#include "io/run_report.h"
#include "io/session_files.h"
#include "model/notifier.h"
#include "page_session.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <string>

namespace {

using emscripten::val;
using spi::web::Answer;
using spi::web::CoderWindow;
using spi::web::Steps;

// "Открыть" on the file `name`, which the worker has written: the model takes it or, refused
// with the engine's message, stays as it was. Accepted, the coder window's type buttons are
// cleared, the window's and the steps' alike.
val OpenData(const std::string &name) {
    const spi::StepResult r = spi::OpenInitialData(Steps(), name);
    if (r.Taken())
        CoderWindow().ClearTypeSelection();
    return Answer(r);
}

// "Сохранить" "исходные данные": the file written under the save command's name, which the answer
// gives ("file") for the worker to read.
val SaveData(const std::string &chosen) {
    val out = Answer(spi::SaveInitialData(Steps(), chosen));
    out.set("file", spi::DataFileName(chosen));
    return out;
}

// "Сохранить" "результаты": the test report, box-drawn, under the results-file command's name.
val SaveResults(const std::string &chosen) {
    const std::string name = spi::ResultsFileName(chosen);
    val out = Answer(spi::SaveReport(Steps(), name, true));
    out.set("file", name);
    return out;
}

} // namespace

EMSCRIPTEN_BINDINGS(spi_web_files) {
    emscripten::function("openData", &OpenData);
    emscripten::function("saveData", &SaveData);
    emscripten::function("saveResults", &SaveResults);
}
