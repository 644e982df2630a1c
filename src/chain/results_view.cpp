#include "chain/results_view.h"

#include "chain/run_theory.h"
#include "model/format.h"

#include <algorithm>

namespace spi {

int FindLastMultiplicity(const ModelState &m, int n, int limit) {
    for (int i = std::min(n, limit); i >= 0; --i)
        if (m.multBefore[static_cast<std::size_t>(i)] != 0 ||
            m.multAfter[static_cast<std::size_t>(i)] != 0)
            return i;
    return -1;
}

namespace {

ResultsView MakeView(const ModelState &m, int last, bool withCoder) {
    ResultsView v;
    const std::string pad22(22, ' ');
    if (withCoder) {
        v.header1 = "     До декодирования  n= " + std::to_string(m.codeN);
        v.header2 = "  После декодирования  k= " + std::to_string(m.codeK);
    } else {
        v.header1 = "      До декодирования  n= " + std::to_string(m.stat1WordLength);
        v.header2 = "   После декодирования  k= 0";
    }
    for (int r = 0; r <= last; ++r) {
        const auto i = static_cast<std::size_t>(r);
        v.rows.push_back(
            {std::string(9, ' ') + std::to_string(r), pad22 + FormatFixed(m.multBefore[i], 12, 10),
             pad22 + (withCoder ? FormatFixed(m.multAfter[i], 12, 10) : std::string("0.00"))});
        if (i < m.theory.multBefore.size())
            v.theoryRows.push_back(pad22 + FormatFixed(m.theory.multBefore[i], 12, 10));
    }
    v.theoryLines = TheoryLines(m.theory, withCoder);
    v.volume = " " + std::to_string(m.wordCount);
    v.detection = "  " + FormatFixed(m.wordErrProbAfter, 9, 7);
    v.capacity = " " + FormatFixed(withCoder ? m.rateWithCoder : m.capacityNoCoder2, 9, 7);
    if (withCoder) {
        v.pErrIn =
            "    " + FormatFixed(m.pErrIn, 12, 10) + "  +-  " + FormatFixed(m.pErrInConf, 12, 10);
        v.pErrOut =
            "    " + FormatFixed(m.pErrOut, 12, 10) + "  +-  " + FormatFixed(m.pErrOutConf, 12, 10);
    } else {
        v.pErrIn = "  " + FormatFixed(m.pErrIn, 12, 10);
        v.pErrOut = "  0.00";
    }
    return v;
}

} // namespace

ResultsView MakeStat1View(const ModelState &m, int last) {
    return MakeView(m, last, false);
}
ResultsView MakeStat2View(const ModelState &m, int last) {
    return MakeView(m, last, true);
}

} // namespace spi
