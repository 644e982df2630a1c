#include "io/run_json.h"

#include <cmath>
#include <cstdio>

namespace spi {

namespace {

// 17 significant digits read back to the same double; JSON has no NaN or infinity.
std::string Real(double x) {
    if (!std::isfinite(x))
        return "null";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", x);
    return buf;
}

template <class It> void Array(std::ostream &out, It first, It last) {
    out << '[';
    for (It it = first; it != last; ++it)
        out << (it == first ? "" : ", ") << Real(*it);
    out << ']';
}

} // namespace

void WriteJson(std::ostream &out, const RunRecord &r) {
    out << "{\n";
    out << "  \"test\": \"" << (r.stat2 ? "stat2" : "stat1") << "\",\n";
    out << "  \"structure\": \"" << (r.structure == 1 ? "dk" : "ru") << "\",\n";
    out << "  \"seed\": " << r.seed << ",\n";
    out << "  \"words\": " << r.result.words << ",\n";
    out << "  \"n\": " << r.n << ",\n";
    out << "  \"k\": " << r.k << ",\n";
    out << "  \"multBefore\": ";
    Array(out, r.multBefore.begin(), r.multBefore.end());
    out << ",\n  \"multAfter\": ";
    Array(out, r.multAfter.begin(), r.multAfter.end());
    out << ",\n";
    out << "  \"pErrIn\": " << Real(r.pErrIn) << ",\n";
    out << "  \"pErrInConf\": " << Real(r.pErrInConf) << ",\n";
    out << "  \"pErrOut\": " << Real(r.pErrOut) << ",\n";
    out << "  \"pErrOutConf\": " << Real(r.pErrOutConf) << ",\n";
    out << "  \"wordErrProbAfter\": " << Real(r.wordErrProbAfter) << ",\n";
    out << "  \"rateWithCoder\": " << Real(r.rateWithCoder) << ",\n";
    out << "  \"capacityNoCoder\": " << Real(r.capacityNoCoder) << ",\n";
    out << "  \"discParams\": ";
    Array(out, r.discParams.begin(), r.discParams.end());
    out << ",\n";
    out << "  \"elapsedSeconds\": " << Real(r.elapsedSeconds) << "\n";
    out << "}\n";
}

} // namespace spi
