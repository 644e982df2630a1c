#include "cli/results_output.h"

#include "chain/results_view.h"

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

void WriteJson(std::ostream &out, const ModelState &m, const RunRecord &r) {
    const int n = r.stat2 ? m.codeN : m.stat1WordLength;
    const int k = r.stat2 ? m.codeK : 0;
    const double capacity = r.structure == 1 ? m.discParams[14] : m.capacityNoCoder2;
    out << "{\n";
    out << "  \"test\": \"" << (r.stat2 ? "stat2" : "stat1") << "\",\n";
    out << "  \"structure\": \"" << (r.structure == 1 ? "dk" : "ru") << "\",\n";
    out << "  \"seed\": " << m.runSeed << ",\n";
    out << "  \"words\": " << r.result.words << ",\n";
    out << "  \"n\": " << n << ",\n";
    out << "  \"k\": " << k << ",\n";
    out << "  \"multBefore\": ";
    Array(out, m.multBefore.begin(), m.multBefore.begin() + n + 1);
    out << ",\n  \"multAfter\": ";
    if (r.stat2) {
        Array(out, m.multAfter.begin(), m.multAfter.begin() + k + 1);
    } else {
        const double zero[1] = {0.0};
        Array(out, zero, zero + 1);
    }
    out << ",\n";
    out << "  \"pErrIn\": " << Real(m.pErrIn) << ",\n";
    out << "  \"pErrInConf\": " << Real(m.pErrInConf) << ",\n";
    out << "  \"pErrOut\": " << Real(r.stat2 ? m.pErrOut : 0.0) << ",\n";
    out << "  \"pErrOutConf\": " << Real(r.stat2 ? m.pErrOutConf : 0.0) << ",\n";
    out << "  \"wordErrProbAfter\": " << Real(m.wordErrProbAfter) << ",\n";
    out << "  \"rateWithCoder\": " << Real(m.rateWithCoder) << ",\n";
    out << "  \"capacityNoCoder\": " << Real(capacity) << ",\n";
    out << "  \"discParams\": ";
    Array(out, m.discParams.begin(), m.discParams.end());
    out << ",\n";
    out << "  \"elapsedSeconds\": " << Real(r.elapsedSeconds) << "\n";
    out << "}\n";
}

void WriteSummary(std::ostream &out, const ModelState &m, const RunRecord &r) {
    const int n = r.stat2 ? m.codeN : m.stat1WordLength;
    ResultsView v = r.result.showResults ? r.result.view : ResultsView{};
    if (!r.result.showResults) {
        // Every word was error-free: the workstation opens no results window; show row 0.
        const int last = std::max(0, FindLastMultiplicity(m, n, r.stat2 ? 2000 : 1000));
        v = r.stat2 ? MakeStat2View(m, last) : MakeStat1View(m, last);
    }
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
