#include "coding/inner_codes.h"

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

} // namespace

bool IsCascade(int codeType) {
    return codeType == 12 || codeType == 15 || codeType == 16 || codeType == 17;
}

int ChannelBitsPerInfoBit(const ModelState &m) {
    switch (m.codeType) {
    case 12:
    case 17:
        return 2;
    case 15:
        return 3;
    case 16:
        return m.cascadeSetSize;
    default:
        return 1;
    }
}

namespace {

int InnerBlockCount(const ModelState &m) {
    const int n = m.codeN;
    const int blocks = m.ilvL;
    switch (m.codeType) {
    case 12:
    case 15:
        return (n / 12) * blocks;
    case 16:
        return m.cascadeStep > 0 ? (n / m.cascadeStep) * blocks : 0;
    case 17:
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
    default:
        return 0;
    }
}

} // namespace

bool CheckInnerSetOnce(ModelState &m) {
    if (m.cascadeInitMark == kCascadeMarkSet)
        return true;
    m.cascadeInitMark = kCascadeMarkSet;
    bool fits = true;
    if (m.codeType == 16)
        fits = PrepareCascadeSet(m) && m.cascadeStep > 0;
    if (fits) {
        if (m.codeType == 12 || m.codeType == 15)
            fits = m.codeN % 12 == 0;
        if (m.codeType == 16)
            fits = m.codeN % m.cascadeStep == 0;
    }
    return fits;
}

void RunInnerCode(ModelState &m) {
    if (!IsCascade(m.codeType))
        return;
    const int blocks = InnerBlockCount(m);
    for (int h = 1; h <= blocks; ++h)
        RunInnerBlock(m, h);
}

bool InnerCodeAvailable(int codeType) {
    switch (codeType) {
    case 12:
    case 15:
    case 16:
    case 17:
        return true;
    default:
        return true;
    }
}

void RunInnerBlock(ModelState &m, int h) {
    switch (m.codeType) {
    case 12:
    case 17:
        InnerEncode(m);
        InnerDecode(m, h);
        break;
    case 15:
        InnerEncode15(m);
        InnerDecode15(m, h);
        break;
    case 16:
        InnerEncode16(m);
        InnerDecode16(m, h);
        break;
    default:
        break;
    }
}

} // namespace spi
