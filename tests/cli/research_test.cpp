// spi-sim for research: sweeps and their files, the stopping rule, the threads.
#include "model/version.h"
#include "sim_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

using spi::cli::test_support::JsonValue;
using spi::cli::test_support::SimRun;

std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

double Number(const std::string &json, const std::string &key) {
    return std::stod(JsonValue(json, key));
}

// The JSON record without the one key that differs between equal runs.
std::string WithoutElapsed(const std::string &json) {
    return json.substr(0, json.find("\"elapsedSeconds\""));
}

TEST(Research, BadSweepAndRunOptionsAreUsageErrors) {
    const std::vector<std::string> hp{"sweep", "--param", "contHp"};
    for (const auto &bad : {std::vector<std::string>{"sweep"},
                            {"sweep", "--param", "genPolyText", "--values", "1"},
                            {"sweep", "--param", "nothing", "--values", "1"},
                            With(hp, {}),
                            With(hp, {"--values", "1", "--from", "1"}),
                            With(hp, {"--from", "1", "--to", "10"}),
                            With(hp, {"--from", "1", "--to", "10", "--step", "0"}),
                            With(hp, {"--from", "10", "--to", "1", "--step", "1"}),
                            With(hp, {"--from", "0", "--to", "1", "--step", "1e-9"}),
                            With(hp, {"--values", "1,x"}),
                            With(hp, {"--values", "1,", "--csv", "-"}),
                            With(hp, {"--values", "1", "--report", "-"}),
                            With(hp, {"--values", "1", "--save-data", "x"}),
                            With(hp, {"--values", "1", "--csv", "-", "--json", "-"}),
                            {"--param", "contHp"},
                            {"--csv", "-"},
                            {"--values", "1,2"},
                            {"--threads", "0"},
                            {"--threads", "100000"},
                            {"--max-word-errors", "0"},
                            {"--test", "stat1", "--max-word-errors", "5"},
                            {"--words", "10", "--max-words", "20"}}) {
        const auto o = SimRun(bad);
        EXPECT_EQ(o.code, spi::cli::kExitUsage) << bad.back();
        EXPECT_FALSE(o.err.empty());
    }
    // Descending sweeps with a negative step, and both NB options when they agree.
    EXPECT_EQ(
        SimRun(With(hp, {"--from", "3", "--to", "1", "--step", "-1", "--words", "70", "--quiet"}))
            .code,
        0);
    EXPECT_EQ(SimRun({"--words", "70", "--max-words", "70", "--quiet"}).code, 0);
}

TEST(Research, OneThreadIsThePlainRunAndTwoAgreeWithIt) {
    const std::vector<std::string> run{"--seed", "9", "--words", "60000", "--json", "-"};
    const auto plain = SimRun(run);
    const auto one = SimRun(With(run, {"--threads", "1"}));
    const auto two = SimRun(With(run, {"--threads", "2"}));
    ASSERT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(WithoutElapsed(one.out), WithoutElapsed(plain.out));
    ASSERT_EQ(two.code, 0) << two.err;
    EXPECT_EQ(JsonValue(two.out, "seed"), "9");
    EXPECT_EQ(JsonValue(two.out, "words"), "60000");
    EXPECT_NE(JsonValue(two.out, "multBefore"), JsonValue(plain.out, "multBefore"));
    for (const char *p : {"pErrIn", "pErrOut"})
        EXPECT_LE(std::fabs(Number(two.out, p) - Number(plain.out, p)),
                  Number(two.out, std::string(p) + "Conf") +
                      Number(plain.out, std::string(p) + "Conf"))
            << p;
}

TEST(Research, StoppingRuleEndsTheRunOnTheNthWordInError) {
    for (const char *threads : {"1", "2"}) {
        const auto o = SimRun({"--seed", "3", "--max-word-errors", "25", "--max-words", "100000",
                               "--threads", threads, "--json", "-"});
        ASSERT_EQ(o.code, 0) << o.err;
        const double words = Number(o.out, "words");
        EXPECT_LT(words, 100000);
        const double after0 = std::stod(JsonValue(o.out, "multAfter").substr(1));
        const double errors = (1 - after0) * words;
        EXPECT_NEAR(errors, 25, 1e-6) << threads;
        EXPECT_EQ(o.model->wordCount, 100000);
    }
}

// A sweep point is the run spi-sim makes with the parameter set to its value: the same steps,
// the same seed, the same figures to the bit.
TEST(Research, APointOfASweepIsTheSingleRunAtItsValue) {
    struct Case {
        std::vector<std::string> chain;
        std::string field, value;
        std::vector<std::string> single; // how the single run sets the value
    };
    const std::vector<Case> cases{
        {{}, "contHp", "3", {}},
        {{"--code", "18:12"}, "contHp", "3", {}},
        {{"--code", "7", "--taps", "31,32", "--rate", "up"}, "contHp", "3", {}},
        {{"--structure", "ru"}, "contHp", "3", {}},
        {{"--set", "ilvC=13"}, "ilvL", "3", {"--set", "ilvL=3"}},
        {{"--code", "0:15"}, "codeT", "1", {"--set", "codeT=1"}},
    };
    for (const auto &c : cases) {
        const std::vector<std::string> common = With(c.chain, {"--seed", "5", "--words", "3000"});
        const auto single = SimRun(With(With(common, c.single), {"--json", "-"}));
        ASSERT_EQ(single.code, 0) << single.err;
        auto args = With({"sweep", "--param", c.field, "--values", c.value, "--json", "-"}, common);
        const auto sweep = SimRun(args);
        ASSERT_EQ(sweep.code, 0) << sweep.err;
        for (const std::string key :
             {"pErrIn", "pErrInConf", "pErrOut", "pErrOutConf", "wordErrProbAfter", "rateWithCoder",
              "capacityNoCoder", "words"})
            EXPECT_EQ(JsonValue(sweep.out, "/points/0/" + key), JsonValue(single.out, key))
                << c.field << " " << key;
    }
}

TEST(Research, SweepWritesItsFilesAndSaysWhichPointsWereRefused) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("spi_sweep_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string csv = (dir / "hp.csv").string(), svg = (dir / "hp.svg").string();
    auto o = SimRun({"sweep", "--param", "contHp", "--from", "1", "--to", "10", "--step", "1",
                     "--seed", "2", "--words", "2000", "--csv", csv, "--svg", svg});
    ASSERT_EQ(o.code, 0) << o.err;
    // Each file says where it comes from: the version and the command line.
    const std::string from = "spi-sim " + std::string(spi::kVersion) +
                             ": spi-sim sweep --param contHp --from 1 --to 10 --step 1";
    std::ifstream in(csv);
    std::vector<std::string> rows;
    for (std::string line; std::getline(in, line);)
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 12u); // the comment, the header and a row per point
    EXPECT_EQ(rows[0].rfind("# " + from, 0), 0u) << rows[0];
    EXPECT_EQ(rows[1].rfind("contHp,completed,", 0), 0u);
    std::ifstream picture(svg);
    const std::string drawing{std::istreambuf_iterator<char>(picture), {}};
    EXPECT_GT(drawing.size(), 1000u);
    EXPECT_NE(drawing.find("<desc>" + from), std::string::npos);
    EXPECT_NE(drawing.find(">Pвх, теория</text>"), std::string::npos); // "ДК": theory, dashed
    EXPECT_NE(o.out.find("contHp=10  words 2000  Pвх "), std::string::npos); // the terminal's lines

    o = SimRun({"sweep", "--param", "contHp", "--values", "2,51,4", "--seed", "2", "--words", "500",
                "--threads", "2", "--json", "-"});
    EXPECT_EQ(o.code, spi::cli::kExitRefused);
    EXPECT_EQ(JsonValue(o.out, "/points/1/message"), "\"Некорректный ввод!\"");
    EXPECT_EQ(JsonValue(o.out, "/points/2/value"), "4.0");
    EXPECT_EQ(JsonValue(o.out, "/command/1"), "\"sweep\"");
    EXPECT_EQ(JsonValue(o.out, "threads"), "2");
    EXPECT_EQ(JsonValue(o.out, "version"), "\"" + std::string(spi::kVersion) + "\"");

    o = SimRun({"sweep", "--param", "contHp", "--values", "2,51,4", "--seed", "2", "--words", "500",
                "--csv", "-"});
    EXPECT_EQ(o.code, spi::cli::kExitRefused);
    EXPECT_NE(o.out.find("\n51,0,,,,,,,,,Некорректный ввод!,,\n"), std::string::npos);
    EXPECT_NE(o.err.find("1 of 3 points refused"), std::string::npos);
    EXPECT_EQ(o.out.find("contHp=2  words"), std::string::npos); // stdout holds only the CSV

    o = SimRun({"sweep", "--param", "contHp", "--values", "2", "--svg", "/nonexistent-folder/x.svg",
                "--quiet"});
    EXPECT_EQ(o.code, spi::cli::kExitRefused);
    ASSERT_EQ(o.note.entries.size(), 1u);
    EXPECT_NE(o.note.entries[0].text.find("x.svg"), std::string::npos);
    std::filesystem::remove_all(dir);
}

} // namespace

// A run over more draws than the generator's cycle is said on stderr before it starts and marked
// in the JSON; the stopping rule ends these runs after a few words, so the count is a bound. The
// default chain takes 17 draws per word and one per part: 252645135 words take 2^32 exactly.
TEST(Research, RunsBeyondTheGeneratorsCycleAreSaidAndMarked) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::pair<std::string, std::string>> keys; // JSON pointer, value
        const char *said; // on stderr after "Испытанию потребуется ", or nullptr for nothing
    };
    const std::string key = "/generatorCycleExceeded";
    const std::vector<Case> cases{
        {{"--words", "252645135"}, {{key, "false"}}, nullptr},
        {{"--words", "252645136"}, {{key, "true"}}, "до 4294967313 случайных"},
        {{"--words", "252645135", "--threads", "2"}, {{key, "true"}}, "до 4294967297 "},
        {{"sweep", "--param", "wordCount", "--values", "1000,252645136"},
         {{"/points/0" + key, "false"}, {"/points/1" + key, "true"}},
         "до 4294967313 случайных"},
    };
    for (const auto &c : cases) {
        const auto o =
            SimRun(With(c.args, {"--max-word-errors", "5", "--seed", "3", "--json", "-"}));
        ASSERT_EQ(o.code, 0) << o.err;
        for (const auto &[pointer, value] : c.keys)
            EXPECT_EQ(JsonValue(o.out, pointer), value) << c.args[1];
        const auto at =
            o.err.find(std::string("spi-sim: Испытанию потребуется ") + (c.said ? c.said : ""));
        EXPECT_EQ(at != std::string::npos, c.said != nullptr) << o.err;
        EXPECT_EQ(o.err.find("2^32 = 4294967296") != std::string::npos, c.said != nullptr);
    }
}
