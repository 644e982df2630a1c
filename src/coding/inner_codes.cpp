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
bool PrepareCascadeSet(const ModelParameters &p, InnerCodeState &s, const TapRow *tapTable) {
    std::string_view list = p.innerPolyList;
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
    s.cascadeSetSize = static_cast<std::uint8_t>(rows + 1);
    s.cascadeStep = tapTable[lastRow].m;
    return true;
}

int InnerBlockCount(const ModelParameters &p, const InnerCodeState &s) {
    const int n = p.codeN;
    const int blocks = p.ilvL;
    switch (CodeTypeRow(p.codeType).inner) {
    case InnerCode::ViterbiHalf12:
    case InnerCode::ViterbiThird12:
        return (n / 12) * blocks;
    case InnerCode::ThresholdSet:
        return s.cascadeStep > 0 ? (n / s.cascadeStep) * blocks : 0;
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

bool CheckInnerSetOnce(const ModelParameters &p, InnerCodeState &s, const TapRow *tapTable) {
    if (s.cascadeInitMark == kCascadeMarkSet)
        return true;
    s.cascadeInitMark = kCascadeMarkSet;
    const InnerCode inner = CodeTypeRow(p.codeType).inner;
    bool fits = true;
    if (inner == InnerCode::ThresholdSet)
        fits = PrepareCascadeSet(p, s, tapTable) && s.cascadeStep > 0;
    if (fits) {
        if (inner == InnerCode::ViterbiHalf12 || inner == InnerCode::ViterbiThird12)
            fits = p.codeN % 12 == 0;
        if (inner == InnerCode::ThresholdSet)
            fits = p.codeN % s.cascadeStep == 0;
    }
    return fits;
}

void RunInnerCode(const ModelParameters &p, InnerCodeState &s, const TapRow *tapTable,
                  std::span<std::uint8_t, kMaxBlock + 1> codeWord,
                  std::span<std::uint8_t, kMaxBlock + 1> errorVector) {
    if (!IsConcatenatedType(p.codeType))
        return;
    const int blocks = InnerBlockCount(p, s);
    for (int h = 1; h <= blocks; ++h)
        RunInnerBlock(p, s, tapTable, codeWord, errorVector, h);
}

void RunInnerBlock(const ModelParameters &p, InnerCodeState &s, const TapRow *tapTable,
                   std::span<std::uint8_t, kMaxBlock + 1> codeWord,
                   std::span<std::uint8_t, kMaxBlock + 1> errorVector, int h) {
    switch (CodeTypeRow(p.codeType).inner) {
    case InnerCode::ViterbiHalf12:
    case InnerCode::ViterbiHalfRsSym:
        InnerEncode(p, s, codeWord);
        InnerDecode(s, codeWord, errorVector, h);
        break;
    case InnerCode::ViterbiThird12:
        InnerEncode15(s, codeWord);
        InnerDecode15(s, codeWord, errorVector, h);
        break;
    case InnerCode::ThresholdSet:
        InnerEncode16(p, s, tapTable, codeWord);
        InnerDecode16(p, s, tapTable, codeWord, errorVector, h);
        break;
    case InnerCode::None:
        break;
    }
}

} // namespace spi
