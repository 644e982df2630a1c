// The rows of the help's table of cyclic codes, made from the engine's table as the workstation's
// help makes them: the number of the row, n, k, t and g(x) in octal, its digits in lines of 30
// counted from the right; the rows the BCH decoder cannot take shaded.
#include "model/tables.h"

#include <emscripten/bind.h>

#include <string>

namespace {

constexpr std::size_t kDigitsPerLine = 30;
constexpr int kBchDecoderRows = 76;

std::string GeneratorLines(const std::string &g) {
    std::size_t end = g.size();
    std::string lines;
    while (end > 0) {
        const std::size_t begin = end > kDigitsPerLine ? end - kDigitsPerLine : 0;
        lines = "<p align=\"right\" style=\"margin:0\"><tt>" + g.substr(begin, end - begin) +
                "</tt></p>" + lines;
        end = begin;
    }
    return lines;
}

std::string TabCycleRows() {
    std::string rows = "<tr><th>№</th><th>n</th><th>k</th><th>t</th>"
                       "<th>g(x), восьмеричная запись</th></tr>\n";
    for (int r = 1; r <= spi::kBchRows; ++r) {
        const spi::BchRow &row = spi::kBchTable[static_cast<std::size_t>(r)];
        const std::string open = r > kBchDecoderRows ? "<td align=\"right\" bgcolor=\"#fff1d6\">"
                                                     : "<td align=\"right\">";
        rows += "<tr>";
        for (const std::string &cell : {std::to_string(r), std::to_string(row.n),
                                        std::to_string(row.k), std::to_string(row.t)})
            rows += open + cell + "</td>";
        rows += open + GeneratorLines(row.g) + "</td></tr>\n";
    }
    return rows;
}

} // namespace

EMSCRIPTEN_BINDINGS(spi_web_help) {
    emscripten::function("tabCycleRows", &TabCycleRows);
}
