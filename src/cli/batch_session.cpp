#include "cli/batch_session.h"

#include "channel/channel_dialogs.h"
#include "cli/field_setters.h"
#include "cli/results_output.h"
#include "coding/code_setup.h"
#include "coding/coder_settings.h"
#include "core/text_input.h"
#include "report/data_file.h"
#include "report/test_report.h"

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

// "УЗО" closed with "Ввод": the window opened on the stored settings (or left as --code, --taps
// and --rate made it), taken over, g(x) parsed; a non-binary code is set up from its number.
bool CoderStep(CoderSettings &coder, ModelState &m, Notifier &notifier) {
    if (!AcceptCoderSettings(coder, m, notifier)) return false;
    if (IsNonBinaryCodeType(m.codeType)) SetUpNonBinaryCode(m, notifier);
    return true;
}

// TYPE[:NUMBER] of --code.
bool ParseCodeChoice(const std::string &text, int &type, std::optional<int> &number, std::string *why) {
    const auto colon = text.find(':');
    const auto t = ParseInteger(text.substr(0, colon));
    if (!t) {
        *why = "TYPE must be a whole number";
        return false;
    }
    type = *t;
    if (colon != std::string::npos) {
        const auto n = ParseInteger(text.substr(colon + 1));
        if (!n) {
            *why = "NUMBER must be a whole number";
            return false;
        }
        number = *n;
    }
    return true;
}

// ROW,ROW,... of --taps.
bool ParseRows(const std::string &text, std::vector<int> &rows, std::string *why) {
    std::size_t from = 0;
    while (from <= text.size()) {
        const auto comma = text.find(',', from);
        const auto row = ParseInteger(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (!row) {
            *why = "ROW must be a whole number";
            return false;
        }
        rows.push_back(*row);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return true;
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

    // The coder window of this session: --code, --taps and --rate act on it as clicks would.
    CoderSettings coder;
    bool discSetByUser = false;
    for (const auto &a : o.assignments) {
        std::string why;
        bool ok = true;
        switch (a.kind) {
        case Assignment::Code: {
            int type = 0;
            std::optional<int> number;
            ok = ParseCodeChoice(a.text, type, number, &why) &&
                 ApplyCodeChoice(coder, m, notifier, type, number, &why);
            break;
        }
        case Assignment::Taps: {
            std::vector<int> rows;
            ok = ParseRows(a.text, rows, &why) && ApplyTaps(coder, m, notifier, rows, &why);
            break;
        }
        case Assignment::Rate: ok = ApplyRate(coder, m, notifier, a.text == "up", &why); break;
        case Assignment::Set:
            if (a.text.rfind("innerPolyList=", 0) == 0) {
                const std::string list = a.text.substr(14);
                ok = SetField(m, a.text, &why);
                if (ok) ApplyInnerPolyList(coder, m, list);
                break;
            }
            // A field set by name comes after the coder window's choices: take them over first, so
            // that "Ввод" later does not put the window's texts back over it.
            if (coder.IsOpen() && !AcceptCoderSettings(coder, m, notifier)) return kExitRefused;
            ok = SetField(m, a.text, &why);
            if (a.text.rfind("discParams[", 0) == 0) discSetByUser = true;
            if (a.text.rfind("channelEntered=", 0) == 0) discSetByUser = false;
            break;
        }
        if (!ok) {
            const char *option = a.kind == Assignment::Code ? "--code" : a.kind == Assignment::Taps ? "--taps"
                                 : a.kind == Assignment::Rate ? "--rate" : "--set";
            err << "spi-sim: " << option << " " << a.text << ": " << why << "\n" << UsageText();
            return kExitUsage;
        }
    }

    m.channelType = static_cast<std::uint8_t>(o.structure);
    if (m.channelType == 2 && m.contHc != 0)
        err << "spi-sim: the structure ru models a channel without fading: with Hc = " << m.contHc
            << " the decision device produces no errors\n";
    const bool stat1Available = ChannelStep(m, notifier, err, discSetByUser);

    if (o.stat2 && !CoderStep(coder, m, notifier)) return kExitRefused;

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
    if (o.reportFile) {
        if (*o.reportFile == "-") {
            std::string failure;
            const auto bytes = WriteTestReport(m, !o.plainReport, &failure);
            if (!bytes) {
                notifier.Error(failure);
                code = kExitRefused;
            } else {
                // The report's own bytes, code page 1251, unchanged.
                out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
                out.flush();
                if (!out) {
                    err << "spi-sim: cannot write the report to standard output\n";
                    code = kExitRefused;
                }
            }
        } else if (!SaveTestReport(m, *o.reportFile, !o.plainReport, notifier)) {
            code = kExitRefused;
        }
    }
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
