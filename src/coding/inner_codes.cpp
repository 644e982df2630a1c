#include "coding/inner_codes.h"

#include "coding/code_catalogue.h"
#include "coding/inner_threshold.h"
#include "coding/inner_viterbi.h"
#include "model/text_input.h"

#include <limits>
#include <string_view>

namespace spi {

namespace {

constexpr double kCascadeMarkSet = 1e20;

// Reads innerPolyList into the cascade's set size (rows + 1) and step (the m column of the last
// row). A list that is not a comma list of tap-table rows, or has more rows than the byte of the
// set size holds, is refused.
bool PrepareCascadeSet(ModelState &m) {
    std::string_view list = m.innerPolyList;
    int rows = 0;
    int lastRow = 0;
    for (;;) {
        const std::size_t comma = list.find(',');
        const auto row = ParseInteger(list.substr(0, comma));
        if (!row || *row < 1 || *row > kTapRows)
            return false;
        lastRow = *row;
        ++rows;
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    if (rows + 1 > std::numeric_limits<std::uint8_t>::max())
        return false;
    m.cascadeSetSize = static_cast<std::uint8_t>(rows + 1);
    m.cascadeStep = m.tapTable[lastRow].m;
    return true;
}

int InnerBlockCount(const ModelState &m) {
    const int n = m.codeN;
    const int blocks = m.ilvL;
    switch (CodeTypeRow(m.codeType).inner) {
    case InnerCode::ViterbiHalf12:
    case InnerCode::ViterbiThird12:
        return (n / 12) * blocks;
    case InnerCode::ThresholdSet:
        return m.cascadeStep > 0 ? (n / m.cascadeStep) * blocks : 0;
    case InnerCode::ViterbiHalfRsSym:
        switch (n) {
        case 155:
            return 5 * blocks;
        case 378:
            return 18 * blocks;
        case 2040:
            return 40 * blocks;
        default:
            return blocks;
        }
    case InnerCode::None:
        break;
    }
    return 0;
}

} // namespace

bool CheckInnerSetOnce(ModelState &m) {
    if (m.cascadeInitMark == kCascadeMarkSet)
        return true;
    m.cascadeInitMark = kCascadeMarkSet;
    const InnerCode inner = CodeTypeRow(m.codeType).inner;
    bool fits = true;
    if (inner == InnerCode::ThresholdSet)
        fits = PrepareCascadeSet(m) && m.cascadeStep > 0;
    if (fits) {
        if (inner == InnerCode::ViterbiHalf12 || inner == InnerCode::ViterbiThird12)
            fits = m.codeN % 12 == 0;
        if (inner == InnerCode::ThresholdSet)
            fits = m.codeN % m.cascadeStep == 0;
    }
    return fits;
}

void RunInnerCode(ModelState &m) {
    if (!IsConcatenatedType(m.codeType))
        return;
    const int blocks = InnerBlockCount(m);
    for (int h = 1; h <= blocks; ++h)
        RunInnerBlock(m, h);
}

void RunInnerBlock(ModelState &m, int h) {
    switch (CodeTypeRow(m.codeType).inner) {
    case InnerCode::ViterbiHalf12:
    case InnerCode::ViterbiHalfRsSym:
        InnerEncode(m);
        InnerDecode(m, h);
        break;
    case InnerCode::ViterbiThird12:
        InnerEncode15(m);
        InnerDecode15(m, h);
        break;
    case InnerCode::ThresholdSet:
        InnerEncode16(m);
        InnerDecode16(m, h);
        break;
    case InnerCode::None:
        break;
    }
}

} // namespace spi
