// spi-sim as a script sees it: the options, the user's steps in order, the exit codes, the JSON.
#include "cli/batch_session.h"
#include "cli/cli_options.h"
#include "cli/field_setters.h"
#include "cli/progress_bar.h"
#include "io/data_file.h"
#include "model/version.h"
#include "sim_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

using spi::cli::test_support::JsonValue;
using spi::cli::test_support::SimRun;

// Each refusal names the option and says why.
TEST(Options, BadOptionsAreUsageErrorsThatSayWhy) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--structure", "xx"}, "--structure: must be dk or ru, not 'xx'"},
        {{"--test", "stat3"}, "--test: must be stat1 or stat2"},
        {{"--words", "12x"}, "--words: '12x' is not a whole number"},
        {{"--words", "3000000000"}, "--words: 3000000000 is above the largest NB, 2147483647"},
        {{"--length", "-99999999999999999999"}, "--length: -99999999999999999999 is below"},
        {{"--seed", "-1"}, "--seed: -1 is below the smallest seed, 0"},
        {{"--seed", "4294967296"}, "--seed: 4294967296 is above the largest seed, 4294967295"},
        {{"--seed", "+1"}, "--seed: '+1' is not a whole number"},
        {{"--set", "probOne"}, "--set: needs FIELD=VALUE"},
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--frobnicate=1"}, "unknown option '--frobnicate'"},
        {{"stat2"}, "unexpected argument 'stat2'"},
        {{"--plain"}, "--plain needs --report"},
        {{"--json"}, "option --json needs a value"},
        {{"--json", ""}, "--json: needs a value"},
        {{"--svg", "x.svg"}, "option --svg belongs to 'spi-sim sweep'"},
    };
    for (const auto &[bad, said] : cases) {
        const auto o = SimRun(bad);
        EXPECT_EQ(o.code, spi::cli::kExitUsage) << bad[0];
        EXPECT_NE(o.err.find(said), std::string::npos) << o.err;
    }
}

// What a repeated option and the --option=value form give.
TEST(Options, RepeatedOptionsKeepTheirLastValueAndAssignmentsTheirOrder) {
    auto o = SimRun({"--words", "10", "--words=20", "--quiet", "--quiet", "--seed", "1", "--seed",
                     "2", "--json", "-"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(JsonValue(o.out, "words"), "20");
    EXPECT_EQ(JsonValue(o.out, "seed"), "2");
    std::string error;
    std::vector<std::string> args{"spi-sim", "--set=codeT=2", "--code", "0:15",   "--taps",
                                  "1",       "--rate=up",     "--set",  "codeT=1"};
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    const auto options = spi::cli::ParseOptions(static_cast<int>(argv.size()), argv.data(), &error);
    ASSERT_TRUE(options) << error;
    using A = spi::cli::Assignment;
    const std::vector<std::pair<A::Kind, std::string>> want{{A::Set, "codeT=2"},
                                                            {A::Code, "0:15"},
                                                            {A::Taps, "1"},
                                                            {A::Rate, "up"},
                                                            {A::Set, "codeT=1"}};
    ASSERT_EQ(options->assignments.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(options->assignments[i].kind, want[i].first) << i;
        EXPECT_EQ(options->assignments[i].text, want[i].second) << i;
    }
    EXPECT_EQ(options->command, args);
}

// --help, --version and --list-fields print on standard output, exit 0 and run nothing.
TEST(Options, InformationGoesToStandardOutputAndRunsNothing) {
    std::string fields;
    for (const auto &name : spi::cli::SettableFieldNames())
        fields += name + "\n";
    const std::string version = "spi-sim " + std::string(spi::kVersion) + "\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--help"}, "Usage: spi-sim [OPTIONS]"},
        {{"-h"}, "--max-word-errors N"},
        {{"--words", "5", "--help"}, "Exit codes: 0"},
        {{"sweep", "--help"}, "--values a,b,..."},
        {{"--version"}, version + "Licence: GPL-3.0-or-later\n"},
        {{"sweep", "--version"}, version},
        {{"--list-fields"}, fields},
    };
    for (const auto &[args, shown] : cases) {
        const auto o = SimRun(args);
        EXPECT_EQ(o.code, spi::cli::kExitOk) << args[0] << o.err;
        EXPECT_NE(o.out.find(shown), std::string::npos) << o.out;
        EXPECT_EQ(o.err, "");
        EXPECT_TRUE(o.note.entries.empty()); // nothing ran
    }
    EXPECT_EQ(SimRun({"--list-fields"}).out, fields);
    EXPECT_EQ(SimRun({"--version"}).out, version + "Licence: GPL-3.0-or-later\n");
    EXPECT_NE(fields.find("\ndiscParams[14]\n"), std::string::npos);
}

TEST(Options, SetRefusesUnknownFieldsAndValuesThatDoNotFit) {
    auto m = spi::MakeModel();
    std::string why;
    EXPECT_TRUE(spi::cli::SetField(*m, "discParams[3]=0.25", &why));
    EXPECT_EQ(m->discParams[3], 0.25);
    EXPECT_TRUE(spi::cli::SetField(*m, "genPolyText=нет", &why));
    EXPECT_EQ(m->genPolyText, "нет");
    EXPECT_TRUE(spi::cli::SetField(*m, "polyNumbers[7]=255", &why));
    EXPECT_EQ(m->polyNumbers[7], 255);
    for (const char *bad :
         {"nothing=1", "discParams[15]=0", "probOne=nan", "probOne=1e999",
          "probOne=", "codeType=65536", "codeN=1.5", "polyNumbers[0]=256", "ruCriterion=40000",
          "innerPolyList=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15"}) {
        const auto before = *m;
        EXPECT_FALSE(spi::cli::SetField(*m, bad, &why)) << bad;
        EXPECT_EQ(m->probOne, before.probOne);
        EXPECT_EQ(m->codeType, before.codeType);
    }
    EXPECT_GT(spi::cli::SettableFieldNames().size(), 50u);
}

TEST(Batch, DefaultRunPrintsTheResultsAndExitsZero) {
    const auto o = SimRun({"--seed", "12345"});
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_NE(o.out.find("Стат2"), std::string::npos);
    EXPECT_NE(o.out.find("     До декодирования  n= 7"), std::string::npos);
    EXPECT_NE(o.out.find("Эквивалентная вероятность ошибки Pвых :"), std::string::npos);
    EXPECT_NE(o.out.find("\nТеория: Pвх = 0.1200000000\n"), std::string::npos) << o.out;
    EXPECT_EQ(o.model->channelType, 1);
    EXPECT_EQ(o.model->channelEntered, 1);
    EXPECT_EQ(o.model->discParams[3], 0.12); // the calculated default channel
}

TEST(Batch, JsonHasEveryKeyAndTheRunsNumbers) {
    const auto o = SimRun({"--seed", "12345", "--json", "-"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out.find("Стат2"), std::string::npos); // stdout holds only the JSON
    for (const char *key :
         {"test", "structure", "seed", "words", "n", "k", "multBefore", "multAfter", "pErrIn",
          "pErrInConf", "pErrOut", "pErrOutConf", "wordErrProbAfter", "rateWithCoder",
          "capacityNoCoder", "discParams", "elapsedSeconds"})
        EXPECT_NE(JsonValue(o.out, key), "<missing>") << key;
    EXPECT_EQ(JsonValue(o.out, "version"), "\"" + std::string(spi::kVersion) + "\"");
    EXPECT_EQ(JsonValue(o.out, "command"), R"(["spi-sim","--seed","12345","--json","-"])");
    EXPECT_EQ(JsonValue(o.out, "threads"), "1");
    EXPECT_EQ(JsonValue(o.out, "test"), "\"stat2\"");
    EXPECT_EQ(JsonValue(o.out, "seed"), "12345");
    EXPECT_EQ(JsonValue(o.out, "words"), "1000");
    EXPECT_EQ(std::stod(JsonValue(o.out, "pErrOut")),
              o.model->pErrOut); // reads back exactly
    EXPECT_EQ(std::stod(JsonValue(o.out, "capacityNoCoder")), o.model->discParams[14]);
    EXPECT_EQ(JsonValue(o.out, "multAfter").front(), '[');
}

TEST(Batch, SameSeedSameJsonNumbers) {
    const auto a = SimRun({"--seed", "99", "--json", "-", "--words", "5000"});
    const auto b = SimRun({"--seed", "99", "--json", "-", "--words", "5000"});
    EXPECT_EQ(JsonValue(a.out, "multBefore"), JsonValue(b.out, "multBefore"));
    EXPECT_EQ(JsonValue(a.out, "pErrOut"), JsonValue(b.out, "pErrOut"));
    EXPECT_EQ(JsonValue(a.out, "words"), "5000");
}

TEST(Batch, Stat1UsesLengthAndWords) {
    const auto o = SimRun(
        {"--test", "stat1", "--length", "12", "--words", "300", "--seed", "1", "--json", "-"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(JsonValue(o.out, "n"), "12");
    EXPECT_EQ(JsonValue(o.out, "k"), "0");
    EXPECT_EQ(JsonValue(o.out, "words"), "300");
    EXPECT_EQ(JsonValue(o.out, "multAfter"), "[0.0]");
}

TEST(Batch, RefusedRunsExitTwoWithTheSystemsMessage) {
    auto o = SimRun({"--set", "ilvL=3", "--set", "ilvC=4"});
    EXPECT_EQ(o.code, spi::cli::kExitRefused);
    EXPECT_TRUE(o.note.Has("Допустимы А=1,L<=10,n/2<C<n*L; Повторите ввод A,L,C в перемежителе!"));
    o = SimRun({"--set", "codeN=3000"});
    EXPECT_EQ(o.code, spi::cli::kExitRefused);
    EXPECT_EQ(o.note.entries.size(), 1u);
    o = SimRun({"--set", "contHp=51", "--test", "stat1"}); // no channel, no "Стат 1"
    EXPECT_EQ(o.code, spi::cli::kExitRefused);
    EXPECT_TRUE(o.note.Has("Некорректный ввод!"));
    o = SimRun({"--data", "/nonexistent/file.dat"});
    EXPECT_EQ(o.code, spi::cli::kExitRefused);
}

TEST(Batch, SetValuesApplyInOrderAndDiscreteValuesNeedChannelEntered) {
    auto o = SimRun({"--set", "codeT=2", "--set", "codeT=3", "--seed", "1"});
    EXPECT_EQ(o.model->codeT, 3);
    o = SimRun({"--set", "discParams[3]=0.3", "--seed", "1"});
    EXPECT_EQ(o.model->discParams[3], 0.12); // recalculated, and said so
    EXPECT_NE(o.err.find("channelEntered=1"), std::string::npos);
    o = SimRun({"--set", "channelEntered=1", "--set", "discParams[0]=1", "--set",
                "discParams[3]=0.3", "--set", "discParams[6]=1", "--seed", "1"});
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.model->discParams[3], 0.3);
    EXPECT_NEAR(o.model->pErrIn, 0.3, 0.02);
}

TEST(Batch, DataFileRoundTripThroughTheCommandLine) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("spi_cli_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "chain").string();
    auto saved = SimRun({"--set", "contHp=4", "--set", "ilvL=3", "--set", "ilvC=13", "--seed", "5",
                         "--save-data", path});
    ASSERT_EQ(saved.code, 0) << saved.err;
    ASSERT_TRUE(std::filesystem::exists(path + ".dat"));
    auto loaded = SimRun({"--data", path + ".dat", "--seed", "5"});
    ASSERT_EQ(loaded.code, 0) << loaded.err;
    EXPECT_EQ(loaded.model->contHp, 4.0);
    EXPECT_EQ(loaded.model->ilvL, 3);
    EXPECT_EQ(loaded.model->discParams, saved.model->discParams);
    EXPECT_EQ(loaded.model->multBefore, saved.model->multBefore); // same chain, same seed, same run
    EXPECT_TRUE(loaded.note.Has("Чтение завершено успешно."));
    std::filesystem::remove_all(dir);
}

TEST(Batch, ReportGoesToStdoutInCodePage1251OrToAFile) {
    auto o = SimRun({"--seed", "12345", "--report", "-"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out.find("Стат2"), std::string::npos); // no summary mixed in
    EXPECT_EQ(o.out.rfind("                \xD0\xC5\xC7\xD3\xCB\xDC\xD2\xC0\xD2\xDB", 0),
              0u); // "РЕЗУЛЬТАТЫ" in 1251
    EXPECT_NE(o.out.find("\r\n"), std::string::npos);
    const auto plain = SimRun({"--seed", "12345", "--report", "-", "--plain"});
    EXPECT_NE(plain.out, o.out);
    o = SimRun({"--seed", "1", "--report", "/dev/full"});
    EXPECT_EQ(o.code, spi::cli::kExitRefused);
    EXPECT_EQ(o.note.entries.size(), 1u);
    o = SimRun({"--seed", "1", "--report", "/nonexistent-folder/x.rez"});
    EXPECT_EQ(o.code, spi::cli::kExitRefused);
}

} // namespace

namespace {

TEST(Batch, CodeChoicesActAsTheCoderWindowWould) {
    auto o = SimRun({"--code", "0:15", "--seed", "1", "--quiet"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.model->codeType, 0);
    EXPECT_EQ(o.model->codeN, 63);
    EXPECT_EQ(o.model->codeK, 45);
    EXPECT_EQ(o.model->codeT, 3);
    EXPECT_EQ(o.model->genPolyText, "1701317");
    o = SimRun({"--code", "7", "--taps", "31,32", "--rate", "up", "--seed", "1", "--quiet"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.model->convN0, 3);
    EXPECT_EQ(o.model->convK0, 2);
    EXPECT_EQ(o.model->codeN, 36);
    EXPECT_EQ(o.model->codeK, 24);
    o = SimRun({"--code", "8", "--seed", "1", "--quiet"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.model->codeN, 24);
    // A field set by name after a choice is not overwritten when the window is taken over.
    o = SimRun({"--code", "0:15", "--set", "codeT=1", "--seed", "1", "--quiet"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.model->codeT, 1);
}

TEST(Batch, BadCodeChoicesAreUsageErrors) {
    for (std::vector<std::string> bad : {std::vector<std::string>{"--code", "11"},
                                         {"--code", "19"},
                                         {"--code", "x"},
                                         {"--code", "0:abc"},
                                         {"--code", "5", "--taps", "31"},
                                         {"--code", "7", "--taps", "31,999"},
                                         {"--rate", "sideways"}}) {
        const auto o = SimRun(bad);
        EXPECT_EQ(o.code, spi::cli::kExitUsage) << bad[1];
    }
}

// Types 7, 12, 15 and 16 get n, k and Cm from the chosen polynomials: without --taps the run is
// refused before it starts, naming what is missing; a set given by --taps or by --set still runs.
TEST(Batch, ConvolutionalSetWithoutTapsIsRefusedBeforeTheRun) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string said;
    };
    const std::string needs = " needs the polynomials of the convolutional set";
    const std::vector<Case> cases{
        {{"--code", "7"}, spi::cli::kExitUsage, "--code 7" + needs + ": add --taps ROW,ROW"},
        {{"--code", "12"}, spi::cli::kExitUsage, "--code 12" + needs},
        {{"--code", "15"}, spi::cli::kExitUsage, "--code 15" + needs},
        {{"--code", "16"}, spi::cli::kExitUsage, "--code 16" + needs},
        {{"--code", "7", "--set", "contHp=5", "--taps", "31,32"},
         spi::cli::kExitUsage,
         "--code 7" + needs + " before --set contHp=5"},
        {{"sweep", "--param", "contHp", "--values", "5", "--code", "12"},
         spi::cli::kExitUsage,
         "--code 12" + needs},
        {{"--code", "12", "--taps", "31,32"}, spi::cli::kExitOk, ""},
        {{"--set", "codeType=7", "--set", "genPolyText=0,2,5,6,0,8,9,12", "--set", "codeN=36",
          "--set", "codeK=24", "--set", "codeT=6", "--set", "convN0=3", "--set", "convK0=2",
          "--set", "polyNumbers[0]=31", "--set", "polyNumbers[1]=32"},
         spi::cli::kExitOk,
         ""},
        {{"--code", "7", "--test", "stat1"}, spi::cli::kExitOk, ""}, // no coder in "Стат 1"
    };
    for (auto c : cases) {
        std::string line;
        for (const auto &a : c.args)
            line += a + " ";
        c.args.insert(c.args.end(), {"--seed", "1", "--quiet"});
        const auto o = SimRun(c.args);
        EXPECT_EQ(o.code, c.code) << line << "\n" << o.err;
        if (c.said.empty()) {
            EXPECT_EQ(o.err, "") << line;
        } else {
            EXPECT_NE(o.err.find("spi-sim: " + c.said), std::string::npos) << line << o.err;
            EXPECT_TRUE(o.note.entries.empty()) << line; // nothing of the chain ran
        }
    }
}

} // namespace

namespace {

TEST(Progress, LineShowsTheRateAndTheTimeLeft) {
    struct Case {
        int percent;
        long long words;
        double elapsed;
        std::string line;
    };
    const std::vector<Case> cases{
        {0, 0, 0.8, "[....................]   0%  0 words  0 words/s  0.8 s, time left --"},
        {42, 4200000, 0.5,
         "[########............]  42%  4200000 words  8.4 M words/s  0.5 s, 0.7 s left"},
        {1, 81234, 1.0,
         "[....................]   1%  81234 words  81.2 k words/s  1.0 s, 1:39 left"},
        {50, 3000000000, 4000,
         "[##########..........]  50%  3000000000 words  750 k words/s  1:06:40, 1:06:40 left"},
        {150, 100, 2.0, "[####################] 100%  100 words  50 words/s  2.0 s, 0.0 s left"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(spi::cli::ProgressLine(c.percent, c.words, c.elapsed), c.line);
}

} // namespace
