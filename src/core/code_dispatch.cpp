#include "core/code_dispatch.h"

#include "coding/cyclic_code.h"
#include "coding/short_cyclic_decoders.h"

#include <array>

namespace spi {

namespace {

constexpr std::array<int, kCodeTypes> kEncoderFamily = {1, 2, 1, 1, 1, 1, 2, 3, 4, 4,
                                                        4, 0, 3, 5, 6, 3, 3, 5, 5};
constexpr std::array<int, kCodeTypes> kReferenceMode = {1, 2, 1, 1, 1, 1, 2, 2, 2, 2,
                                                        2, 0, 2, 1, 1, 2, 2, 1, 1};

template <void (*F)(ModelState &)>
void IgnoringWordNumber(ModelState &m, long long) {
    F(m);
}

} // namespace

int EncoderFamily(int codeType) {
    return codeType >= 0 && codeType < kCodeTypes ? kEncoderFamily[static_cast<std::size_t>(codeType)] : 0;
}

int ReferenceMode(int codeType) {
    return codeType >= 0 && codeType < kCodeTypes ? kReferenceMode[static_cast<std::size_t>(codeType)] : 0;
}

CodecEntry CodecFor(int codeType) {
    switch (codeType) {
    case 0: return {encodeCyclic, decodeSyndrome, true};
    case 2: return {encodeCyclic, IgnoringWordNumber<decodeKasamiRudolph>, true};
    case 3: return {encodeCyclic, IgnoringWordNumber<decodeMeggitt>, true};
    case 4: return {encodeCyclic, IgnoringWordNumber<decodeThreshold157>, true};
    case 5: return {encodeCyclic, IgnoringWordNumber<decodeMajority73>, true};
    case 11: return {nullptr, nullptr, true};
    default:
        // Types 19 and above select nothing; the convolutional and the Reed-Solomon/BCH coders
        // are not built into this version yet.
        return {nullptr, nullptr, codeType >= kCodeTypes};
    }
}

} // namespace spi
