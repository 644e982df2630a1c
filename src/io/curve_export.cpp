#include "io/curve_export.h"

#include "io/json_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace spi {

namespace {

// Numbers are written with to_chars: the workstation's toolkit may switch the C locale to one with
// a decimal comma, and these files are read by programs that expect a point.

// 17 significant digits read back to the same double.
std::string Real17(double x) {
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 17);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::string CsvReal(double x) {
    return std::isfinite(x) ? Real17(x) : "";
}

std::string CsvOptional(const std::optional<double> &x) {
    return x ? CsvReal(*x) : "";
}

std::string CsvText(const std::string &s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + "\"";
}

} // namespace

std::string SweepCsv(const std::string &field, const std::vector<SweepPoint> &points,
                     const Provenance &from) {
    std::string s = "# " + ProvenanceLine(from) + "\n" + CsvText(field) +
                    ",completed,words,pErrIn,pErrInConf,pErrOut,pErrOutConf,wordErrProbAfter,"
                    "capacityNoCoder,rateWithCoder,message,theoryPErrIn,theoryWordErrBound\n";
    for (const auto &p : points) {
        s += CsvReal(p.value);
        if (!p.completed) {
            s += ",0,,,,,,,,," + CsvText(p.message) + ",,\n";
            continue;
        }
        s += ",1," + std::to_string(p.words) + "," + CsvReal(p.pErrIn) + "," +
             CsvReal(p.pErrInConf) + ",";
        if (p.withCoder)
            s += CsvReal(p.pErrOut) + "," + CsvReal(p.pErrOutConf) + "," +
                 CsvReal(p.wordErrProbAfter);
        else
            s += ",,";
        s += "," + CsvReal(p.capacityNoCoder) + "," +
             (p.withCoder ? CsvReal(p.rateWithCoder) : "") + ",," + CsvOptional(p.theoryPErrIn) +
             "," + CsvOptional(p.theoryWordErrBound) + "\n";
    }
    return s;
}

namespace {

OrderedJson PointJson(const SweepPoint &p, bool cycleExceeded) {
    OrderedJson j;
    j["value"] = p.value;
    j["completed"] = p.completed;
    j["generatorCycleExceeded"] = cycleExceeded;
    if (!p.completed) {
        j["message"] = p.message;
        return j;
    }
    // "Стат 1" measures nothing after decoding.
    auto out = [&](double x) { return p.withCoder ? OrderedJson(x) : OrderedJson(nullptr); };
    j["words"] = p.words;
    j["pErrIn"] = p.pErrIn;
    j["pErrInConf"] = p.pErrInConf;
    j["pErrOut"] = out(p.pErrOut);
    j["pErrOutConf"] = out(p.pErrOutConf);
    j["wordErrProbAfter"] = out(p.wordErrProbAfter);
    j["capacityNoCoder"] = p.capacityNoCoder;
    j["rateWithCoder"] = out(p.rateWithCoder);
    const auto theory = [](const std::optional<double> &x) {
        return x ? OrderedJson(*x) : OrderedJson(nullptr);
    };
    j["theoryPErrIn"] = theory(p.theoryPErrIn);
    j["theoryWordErrBound"] = theory(p.theoryWordErrBound);
    return j;
}

} // namespace

std::string SweepJson(const std::string &field, const std::vector<SweepPoint> &points,
                      const Provenance &from, const std::vector<bool> &cycleExceeded) {
    OrderedJson j;
    j["field"] = field;
    j["points"] = OrderedJson::array();
    for (std::size_t i = 0; i < points.size(); ++i)
        j["points"].push_back(PointJson(points[i], i < cycleExceeded.size() && cycleExceeded[i]));
    AddProvenance(j, from);
    return JsonText(j);
}

std::string DistributionsCsv(const ModelState &m, bool withCoder) {
    const int n = std::clamp<int>(withCoder ? m.codeN : m.stat1WordLength, 0, kMaxWord);
    const int k = std::clamp<int>(m.codeK, 0, kMaxWord);
    std::string s = withCoder ? "multiplicity,before,after\n" : "multiplicity,before\n";
    for (int i = 0; i <= n; ++i) {
        const auto at = static_cast<std::size_t>(i);
        s += std::to_string(i) + "," + CsvReal(m.multBefore[at]);
        if (withCoder)
            s += "," + (i <= k ? CsvReal(m.multAfter[at]) : std::string());
        s += "\n";
    }
    s += "\nfigure,value\n";
    s += "pErrIn," + CsvReal(m.pErrIn) + "\n";
    s += "pErrInConf," + CsvReal(m.pErrInConf) + "\n";
    if (withCoder) {
        s += "pErrOut," + CsvReal(m.pErrOut) + "\n";
        s += "pErrOutConf," + CsvReal(m.pErrOutConf) + "\n";
    }
    s += "wordErrProbAfter," + CsvReal(m.wordErrProbAfter) + "\n";
    s += "capacity," + CsvReal(withCoder ? m.rateWithCoder : m.capacityNoCoder2) + "\n";
    return s;
}

} // namespace spi
