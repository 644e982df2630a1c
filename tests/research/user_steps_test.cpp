// The user's steps taken through the library give what spi-sim gives for the same options: the
// same end (taken, a bad value, the system's refusal with its message) and the same figures.
#include "cli/results_output.h"
#include "cli/sim_run.h"
#include "io/session_files.h"
#include "research/user_steps.h"

#include <gtest/gtest.h>

#include <functional>

namespace spi {
namespace {

using cli::test_support::SimRun;
using Call = std::function<StepResult(UserSteps &)>;

Call Open(std::string path) {
    return [path](UserSteps &s) { return OpenInitialData(s, path); };
}
Call Set(std::string assignment) {
    return [assignment](UserSteps &s) { return s.SetField(assignment); };
}
Call Code(int type, std::optional<int> number = {}) {
    return [=](UserSteps &s) { return s.ChooseCode(type, number); };
}
Call Taps(std::vector<int> rows) {
    return [rows](UserSteps &s) { return s.ChooseTaps(rows); };
}
Call Rate(bool up) {
    return [up](UserSteps &s) { return s.ChooseRate(up); };
}

struct Case {
    const char *name;
    std::vector<std::string> options; // spi-sim's model options, the calls below in its words
    std::vector<Call> calls;
    int structure = 1;
    bool stat2 = true;
    StepStatus end = StepStatus::Taken; // of the first step not taken, or of the run
};

// The steps as spi-sim takes them; the run's record, or the first step not taken.
RunRecord TakeSteps(const Case &c, UserSteps &steps, const RunSettings &run) {
    RunRecord record;
    for (const auto &call : c.calls)
        if (record.step = call(steps); !record.step.Taken())
            return record;
    steps.ChooseStructure(c.structure);
    steps.ChannelStep();
    if (c.stat2)
        if (record.step = steps.CoderStep(); !record.step.Taken())
            return record;
    return steps.Run(run);
}

int ExitOf(StepStatus status) {
    return status == StepStatus::Taken     ? cli::kExitOk
           : status == StepStatus::Refused ? cli::kExitRefused
                                           : cli::kExitUsage;
}

std::string JsonWithoutElapsed(const RunRecord &r) {
    std::ostringstream json;
    spi::WriteJson(json, r);
    return json.str().substr(0, json.str().find("\"elapsedSeconds\""));
}

TEST(UserSteps, TakeWhatSpiSimTakesAndEndWhereItEnds) {
    const std::vector<Case> cases{
        {"defaults", {}, {}},
        {"cyclic code, a field after it, РУ",
         {"--code", "0:15", "--set", "codeT=1"},
         {Code(0, 15), Set("codeT=1")},
         2},
        {"convolutional set and rate",
         {"--code", "7", "--taps", "31,32", "--rate", "up"},
         {Code(7), Taps({31, 32}), Rate(true)}},
        {"inner list into the open window",
         {"--code", "16", "--set", "innerPolyList=1,2", "--taps", "31,32"},
         {Code(16), Set("innerPolyList=1,2"), Taps({31, 32})}},
        {"Стат 1 on a channel given by hand",
         {"--set", "channelEntered=1", "--set", "discParams[3]=0.2"},
         {Set("channelEntered=1"), Set("discParams[3]=0.2")},
         1,
         false},
        {"unknown field",
         {"--set", "nothing=1"},
         {Set("nothing=1")},
         1,
         true,
         StepStatus::BadValue},
        {"code type without a button", {"--code", "11"}, {Code(11)}, 1, true, StepStatus::BadValue},
        {"set before the taps",
         {"--code", "12", "--set", "contHp=5", "--taps", "31,32"},
         {Code(12), Set("contHp=5"), Taps({31, 32})},
         1,
         true,
         StepStatus::TapsMissing},
        {"no data file",
         {"--data", "/nonexistent/x.dat"},
         {Open("/nonexistent/x.dat")},
         1,
         true,
         StepStatus::Refused},
        {"interleaver refused by the run",
         {"--set", "ilvL=3", "--set", "ilvC=4"},
         {Set("ilvL=3"), Set("ilvC=4")},
         1,
         true,
         StepStatus::Refused},
        {"no channel, no Стат 1",
         {"--set", "contHp=51"},
         {Set("contHp=51")},
         1,
         false,
         StepStatus::Refused},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings run;
        run.stat2 = c.stat2;
        run.words = 3000;
        run.seed = 5;
        auto options = c.options;
        options.insert(options.end(), {"--structure", c.structure == 1 ? "dk" : "ru", "--test",
                                       c.stat2 ? "stat2" : "stat1", "--words", "3000", "--seed",
                                       "5", "--json", "-"});
        const auto sim = SimRun(options);

        RecordingNotifier note;
        UserSteps steps(note);
        const RunRecord record = TakeSteps(c, steps, run);
        EXPECT_EQ(record.step.status, c.end) << record.step.message;
        ASSERT_EQ(sim.code, ExitOf(c.end)) << sim.err;
        switch (c.end) {
        case StepStatus::Taken:
            EXPECT_EQ(JsonWithoutElapsed(record), sim.out.substr(0, sim.out.find("\"elapsed")));
            EXPECT_EQ(note.entries.size(), sim.note.entries.size());
            break;
        case StepStatus::Refused:
            ASSERT_FALSE(sim.note.entries.empty());
            EXPECT_EQ(record.step.message, sim.note.entries.back().text);
            break;
        default: { // spi-sim names the option (for the taps, "--code 12") before the reason
            const auto &why = record.step.message;
            const auto said = c.end == StepStatus::BadValue ? why : why.substr(why.find(" needs"));
            EXPECT_NE(sim.err.find(said), std::string::npos) << sim.err;
            EXPECT_TRUE(note.entries.empty());
        }
        }
    }
}

} // namespace
} // namespace spi
