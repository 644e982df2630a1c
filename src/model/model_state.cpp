#include "model/model_state.h"

#include <algorithm>

namespace spi {

void SetStartupDefaults(ModelState &m) {
    m.genPolyTerms.fill(0);

    m.modMd = 0.5;
    m.contQ = 0.01;
    m.contHp = 3.0;
    m.contHc = 0.0;
    m.demodDm = 1;
    m.ruThreshold1 = m.contHp + m.contHc;
    m.ruThreshold2 = static_cast<double>(0.2L * static_cast<long double>(m.ruThreshold1));
    m.contM = 1;

    m.breakParams = {0.0, 0.0, 1.0, 0.7, 0.3, 5.0, 2000.0, 360.0};
    m.probOne = 0.5;
    m.stat1WordLength = 36;
    m.wordCount = 1000;
    m.ilvA = 1;
    m.ilvC = 1;
    m.ilvL = 1;
    m.codeType = 5;
    m.codeN = 7;
    m.codeK = 3;
    m.codeT = 1;
    m.genPolyText = "35";
    m.ruCriterion = 0;
    m.channelEntered = 0;

    m.bchTable = kBchTable.data();
    m.tapTable = kTapTable.data();
}

std::unique_ptr<ModelState> MakeModel() {
    auto m = std::make_unique<ModelState>();
    SetStartupDefaults(*m);
    return m;
}

} // namespace spi
