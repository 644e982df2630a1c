// Sweep curves as files a spreadsheet, a script and a browser read.
#include "io/curve_export.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

namespace {

std::vector<spi::SweepPoint> Points() {
    std::vector<spi::SweepPoint> p(4);
    p[0].value = 1;
    p[0].completed = true;
    p[0].words = 1000;
    p[0].pErrIn = 0.1 + 1e-17; // needs all 17 digits
    p[0].pErrInConf = 0.0123;
    p[0].pErrOut = 0.05;
    p[0].pErrOutConf = 0.2; // its lower bound is below zero
    p[0].wordErrProbAfter = 0.13;
    p[0].capacityNoCoder = 0.5;
    p[0].rateWithCoder = 0.25;
    p[0].theoryPErrIn = 0.09 + 1e-17;
    p[0].theoryWordErrBound = 0.2;
    p[1] = p[0];
    p[1].value = 2.5;
    p[1].pErrIn = 1.0 / 3;
    p[1].pErrOut = 0; // no decoded word was wrong
    p[1].pErrOutConf = 1.3e-10;
    p[1].theoryPErrIn = 0.3;
    p[1].theoryWordErrBound.reset(); // theory gives no bound here
    p[2].value = 4;
    p[2].message = "Некорректный ввод, \"Hp\"\n";
    p[3] = p[0];
    p[3].value = 5;
    return p;
}

// spi-sim's provenance, with arguments a shell has to quote.
spi::Provenance FromTheCommandLine() {
    spi::Provenance from;
    from.program = "spi-sim";
    from.command = {"spi-sim", "sweep",      "--param", "contHp",
                    "--svg",   "a b<c>.svg", "--set",   "genPolyText=it's\n"};
    from.threads = 2;
    return from;
}
const std::string kFromLine = "spi-sim " + std::string(spi::kVersion) +
                              ": spi-sim sweep --param contHp --svg 'a b<c>.svg' --set "
                              "'genPolyText=it'\\''s?'";

std::vector<std::string> Lines(const std::string &s) {
    std::vector<std::string> lines;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Cells(const std::string &line) {
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, ','))
        cells.push_back(cell);
    if (!line.empty() && line.back() == ',')
        cells.push_back("");
    return cells;
}

TEST(SweepCsv, OneRowPerPointWithRealsThatReadBackExactly) {
    const auto points = Points();
    const auto lines = Lines(spi::SweepCsv("discParams[3]", points, FromTheCommandLine()));
    ASSERT_EQ(lines.size(), 2 + points.size() + 1); // the message holds a line break, quoted
    EXPECT_EQ(lines[0], "# " + kFromLine);
    EXPECT_EQ(
        lines[1],
        "discParams[3],completed,words,pErrIn,pErrInConf,pErrOut,pErrOutConf,wordErrProbAfter,"
        "capacityNoCoder,rateWithCoder,message,theoryPErrIn,theoryWordErrBound");
    const auto row = Cells(lines[2]);
    ASSERT_EQ(row.size(), 13u);
    EXPECT_EQ(row[1], "1");
    EXPECT_EQ(row[2], "1000");
    EXPECT_EQ(std::stod(row[3]), points[0].pErrIn);
    EXPECT_EQ(std::stod(row[9]), 0.25);
    EXPECT_EQ(row[10], "");
    EXPECT_EQ(std::stod(row[11]), *points[0].theoryPErrIn);
    EXPECT_EQ(std::stod(row[12]), 0.2);
    const auto noBound = Cells(lines[3]);
    ASSERT_EQ(noBound.size(), 13u);
    EXPECT_EQ(std::stod(noBound[11]), 0.3);
    EXPECT_EQ(noBound[12], "");
    EXPECT_EQ(lines[4], "4,0,,,,,,,,,\"Некорректный ввод, \"\"Hp\"\"");
    EXPECT_EQ(lines[5], "\",,");

    // "Стат 1" has no figures after decoding; a window's export names the program alone.
    auto stat1 = points;
    stat1[0].withCoder = false;
    spi::Provenance window;
    window.program = "spi-workbench";
    const auto fromWindow = Lines(spi::SweepCsv("contHp", stat1, window));
    EXPECT_EQ(fromWindow[0], "# spi-workbench " + std::string(spi::kVersion));
    EXPECT_EQ(Cells(fromWindow[2])[5], "");
}

// Every double reads back to itself, text to the same text; the provenance follows the points.
TEST(SweepJson, PointsReadBackExactlyWithTheirProvenance) {
    auto points = Points();
    points[3].withCoder = false;
    points[2].message += "\xff"; // not UTF-8: replaced, never a failed write
    const auto j = nlohmann::json::parse(spi::SweepJson("contHp", points, FromTheCommandLine()));
    EXPECT_EQ(j["field"], "contHp");
    ASSERT_EQ(j["points"].size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto &p = points[i];
        const auto &q = j["points"][i];
        EXPECT_EQ(q["value"].get<double>(), p.value);
        EXPECT_EQ(q["completed"].get<bool>(), p.completed);
        if (!p.completed) {
            EXPECT_EQ(q["message"], "Некорректный ввод, \"Hp\"\n\uFFFD");
            EXPECT_FALSE(q.contains("words"));
            continue;
        }
        EXPECT_EQ(q["words"].get<long long>(), p.words);
        EXPECT_EQ(q["pErrIn"].get<double>(), p.pErrIn);
        EXPECT_EQ(q["pErrInConf"].get<double>(), p.pErrInConf);
        EXPECT_EQ(q["capacityNoCoder"].get<double>(), p.capacityNoCoder);
        for (const auto &[key, theory] : {std::pair("theoryPErrIn", p.theoryPErrIn),
                                          std::pair("theoryWordErrBound", p.theoryWordErrBound)}) {
            ASSERT_TRUE(q.contains(key)) << key;
            if (theory)
                EXPECT_EQ(q[key].get<double>(), *theory) << key;
            else
                EXPECT_TRUE(q[key].is_null()) << key;
        }
        if (p.withCoder) {
            EXPECT_EQ(q["pErrOut"].get<double>(), p.pErrOut);
            EXPECT_EQ(q["pErrOutConf"].get<double>(), p.pErrOutConf);
            EXPECT_EQ(q["wordErrProbAfter"].get<double>(), p.wordErrProbAfter);
            EXPECT_EQ(q["rateWithCoder"].get<double>(), p.rateWithCoder);
        } else {
            for (const char *key : {"pErrOut", "pErrOutConf", "wordErrProbAfter", "rateWithCoder"})
                EXPECT_TRUE(q[key].is_null()) << key;
        }
    }
    EXPECT_EQ(j["version"], spi::kVersion);
    EXPECT_EQ(j["command"].get<std::vector<std::string>>(), FromTheCommandLine().command);
    EXPECT_EQ(j["threads"], 2);
    // Without a command line the record says its version and its generator alone.
    const auto bare = nlohmann::json::parse(spi::SweepJson("contHp", {}, spi::Provenance()));
    EXPECT_TRUE(bare["points"].empty());
    EXPECT_EQ(bare.size(), 4u); // field, points, version, generator
    EXPECT_EQ(bare["generator"], "model");
}

int Count(const std::string &s, const std::string &what) {
    int n = 0;
    for (auto at = s.find(what); at != std::string::npos; at = s.find(what, at + 1))
        ++n;
    return n;
}

TEST(SweepSvg, LogarithmicAxisWithBarsAndZeroPointsOnTheFloor) {
    const auto svg = spi::SweepSvg("contHp", Points(), "Стат2 <ДК> & код 5", FromTheCommandLine());
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("<desc>spi-sim " + std::string(spi::kVersion) +
                       ": spi-sim sweep --param contHp --svg 'a b&lt;c&gt;.svg' --set "
                       "'genPolyText=it'\\''s?'</desc>"),
              std::string::npos);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    EXPECT_NE(svg.find("Стат2 &lt;ДК&gt; &amp; код 5"), std::string::npos);
    EXPECT_EQ(svg.find("nan"), std::string::npos);
    EXPECT_EQ(svg.find("inf"), std::string::npos);
    EXPECT_EQ(Count(svg, "<text"), Count(svg, "</text>"));
    // Values 0.05 .. 0.345: whole decades 10^-2 .. 10^0, and one below for the zero point.
    EXPECT_NE(svg.find("10<tspan dy=\"-6\" font-size=\"9\">−3</tspan>"), std::string::npos);
    EXPECT_NE(svg.find("10<tspan dy=\"-6\" font-size=\"9\">0</tspan>"), std::string::npos);
    EXPECT_EQ(svg.find(">−4</tspan>"), std::string::npos);
    EXPECT_EQ(svg.find(">1</tspan>"), std::string::npos);
    // The zero Pвых sits open on the floor (the frame's bottom, y = 420), the refused point is
    // counted.
    EXPECT_NE(svg.find("y=\"416.00\" width=\"8\" height=\"8\" fill=\"white\""), std::string::npos);
    EXPECT_NE(svg.find("не рассчитано точек: 1"), std::string::npos);
    EXPECT_NE(svg.find("Pвых ± полуширина"), std::string::npos);
    // Theory dashed in its series' colour, broken where absent: Pвх's theory a line over the
    // first two points and a dash at the last, the bound a dash at the first and the last; each
    // with its legend entry.
    EXPECT_EQ(Count(svg, "<polyline points=\"115.19,"), 1) << svg;
    EXPECT_EQ(Count(svg, "stroke=\"#1f5fa8\" stroke-width=\"2.2\" stroke-dasharray=\"7,4\""), 3);
    EXPECT_EQ(Count(svg, "stroke=\"#c0392b\" stroke-width=\"2.2\" stroke-dasharray=\"10,3,2,3\""),
              3);
    EXPECT_NE(svg.find(">Pвх, теория</text>"), std::string::npos);
    EXPECT_NE(svg.find(">Pош. слова, граница (теория)</text>"), std::string::npos);
    // Without theory the plot is as it always was; a bound far below the measured values widens
    // the axis by three decades at most.
    auto bare = Points();
    for (auto &p : bare)
        p.theoryPErrIn = p.theoryWordErrBound = std::nullopt;
    const auto plain = spi::SweepSvg("contHp", bare, "", spi::Provenance());
    EXPECT_EQ(plain.find("dasharray"), std::string::npos);
    EXPECT_EQ(plain.find("теория"), std::string::npos);
    bare[0].theoryWordErrBound = 1e-15;
    const auto deep = spi::SweepSvg("contHp", bare, "", spi::Provenance());
    EXPECT_NE(deep.find(">−6</tspan>"), std::string::npos); // 0.05 / 1000, one below for zero
    EXPECT_EQ(deep.find(">−7</tspan>"), std::string::npos);
    EXPECT_EQ(deep.find("граница"), std::string::npos); // below the axis: not drawn

    // Nothing to draw still gives a picture with its axes.
    for (const auto &points :
         {std::vector<spi::SweepPoint>{}, std::vector<spi::SweepPoint>{Points()[2]}}) {
        const auto empty = spi::SweepSvg("ilvL", points, "", spi::Provenance());
        EXPECT_EQ(empty.substr(empty.size() - 7), "</svg>\n");
        EXPECT_EQ(empty.find("nan"), std::string::npos);
        EXPECT_NE(empty.find(">−6</tspan>"), std::string::npos);
    }
}

TEST(DistributionsCsv, RowsOfTheRunsLengthsAndItsFigures) {
    auto m = spi::MakeModel();
    m->codeN = 7;
    m->codeK = 3;
    m->multBefore[2] = 0.1 + 1e-17;
    m->multAfter[3] = 0.25;
    m->pErrOut = 0.125;
    const auto lines = Lines(spi::DistributionsCsv(*m, true));
    EXPECT_EQ(lines[0], "multiplicity,before,after");
    EXPECT_EQ(std::stod(Cells(lines[3])[1]), m->multBefore[2]);
    EXPECT_EQ(lines[4], "3,0,0.25");
    EXPECT_EQ(lines[5], "4,0,"); // beyond k
    EXPECT_EQ(lines[8], "7,0,");
    EXPECT_EQ(lines[9], "");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "pErrOut,0.125"), lines.end());

    m->stat1WordLength = 36;
    const auto stat1 = Lines(spi::DistributionsCsv(*m, false));
    EXPECT_EQ(stat1[0], "multiplicity,before");
    EXPECT_EQ(stat1[37], "36,0");
    EXPECT_EQ(std::find(stat1.begin(), stat1.end(), "pErrOut,0.125"), stat1.end());
}

} // namespace
