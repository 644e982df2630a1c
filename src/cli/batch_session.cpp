#include "cli/batch_session.h"

#include "channel/channel_dialogs.h"
#include "cli/field_setters.h"
#include "cli/results_output.h"
#include "coding/code_setup.h"
#include "coding/gen_poly_parser.h"
#include "report/data_file.h"

#include <chrono>
#include <fstream>
#include <sstream>

namespace spi::cli {

namespace {

// "Дискретный канал" or "Решающее устройство" accepted without typing. Returns whether "Стат 1"
// is available afterwards.
bool ChannelStep(ModelState &m, Notifier &notifier, std::ostream &err, bool discSetByUser) {
    if (m.channelEntered != 0) return true;
    if (discSetByUser)
        err << "spi-sim: the channel step recalculates discParams from the continuous channel; "
               "add --set channelEntered=1 to keep the values given with --set\n";
    if (m.channelType == 1) {
        auto fields = OpenDiscChannelDialog(m, notifier);
        if (!fields) return false;
        AcceptDiscChannelDialog(m, *fields, notifier);
        FinishDiscChannelDialog(m, notifier);
        return true;
    }
    if (auto fields = OpenDecisionDeviceDialog(m, notifier)) AcceptDecisionDeviceDialog(m, *fields);
    return true;
}

// "УЗО" accepted without changes: the stored settings are taken over and g(x) is parsed, or the
// non-binary code is set up.
void CoderStep(ModelState &m, Notifier &notifier) {
    if (IsNonBinaryCodeType(m.codeType)) SetUpNonBinaryCode(m, notifier);
    else parseGenPoly(m, notifier);
}

bool WriteText(const std::string &path, const std::string &text, std::ostream &out, std::ostream &err) {
    if (path == "-") {
        out << text;
        out.flush();
        return static_cast<bool>(out);
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
    f.close();
    if (!f) {
        err << "spi-sim: cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int RunBatch(const Options &o, ModelState &m, Notifier &notifier, std::ostream &out, std::ostream &err,
             RunProgress *progress) {
    if (o.dataFile && !OpenDataFile(m, *o.dataFile, notifier)) return kExitRefused;

    bool discSetByUser = false;
    for (const auto &a : o.assignments) {
        if (a.isCode) {
            err << "spi-sim: --code is not available in this version: the coder settings come later; "
                   "use --set codeType=... and the code fields\n"
                << UsageText();
            return kExitUsage;
        }
        std::string why;
        if (!SetField(m, a.text, &why)) {
            err << "spi-sim: --set " << a.text << ": " << why << "\n" << UsageText();
            return kExitUsage;
        }
        if (a.text.rfind("discParams[", 0) == 0) discSetByUser = true;
        if (a.text.rfind("channelEntered=", 0) == 0) discSetByUser = false;
    }

    m.channelType = static_cast<std::uint8_t>(o.structure);
    const bool stat1Available = ChannelStep(m, notifier, err, discSetByUser);

    if (o.stat2) CoderStep(m, notifier);

    if (o.words) m.wordCount = *o.words;
    if (!o.stat2 && o.length) m.stat1WordLength = *o.length;
    if (o.seed) m.fixedSeed = *o.seed;

    if (!o.stat2 && !stat1Available) {
        notifier.Error("\"Стат 1\" недоступна: дискретный канал не рассчитан (Pcp = 0).");
        return kExitRefused;
    }

    RunRecord record;
    record.stat2 = o.stat2;
    record.structure = o.structure;
    const auto start = std::chrono::steady_clock::now();
    record.result = o.stat2 ? RunStat2(m, notifier, progress) : RunStat1(m, notifier, progress);
    record.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (record.result.outcome != RunOutcome::Completed) return kExitRefused;

    int code = kExitOk;
    if (o.jsonFile) {
        std::ostringstream json;
        WriteJson(json, m, record);
        if (!WriteText(*o.jsonFile, json.str(), out, err)) code = kExitRefused;
    }
    if (o.saveDataFile && !SaveDataFile(m, DataFileName(*o.saveDataFile), notifier)) code = kExitRefused;
    const bool stdoutTaken = (o.jsonFile && *o.jsonFile == "-") || (o.reportFile && *o.reportFile == "-");
    if (!o.quiet && !stdoutTaken) WriteSummary(out, m, record);
    return code;
}

} // namespace spi::cli
