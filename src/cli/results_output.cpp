#include "cli/results_output.h"

namespace spi::cli {

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
    // Theory and batch means follow the figures, as in the results window.
    for (const auto &line : v.theoryLines)
        out << line << "\n";
}

} // namespace spi::cli
