#include "cli/results_output.h"

#include <cmath>
#include <cstdio>

namespace spi::cli {

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

void WriteSummary(std::ostream &out, const RunRecord &r) {
    const ResultsView &v = r.table;
    out << (r.stat2 ? "Стат2" : "Стат 1") << "\n";
    out << "Кратность;" << v.header1 << ";" << v.header2 << "\n";
    for (const auto &row : v.rows)
        out << row[0] << ";" << row[1] << ";" << row[2] << "\n";
    out << "Объем испытаний :" << v.volume << "\n";
    out << "Вероятность обнаружения Pобн :" << v.detection << "\n";
    out << "Пропускная способность:" << v.capacity << "\n";
    out << "Эквивалентная вероятность ошибки Pвх :" << v.pErrIn << "\n";
    out << "Эквивалентная вероятность ошибки Pвых :" << v.pErrOut << "\n";
}

} // namespace spi::cli
