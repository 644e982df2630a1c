#include "chain/code_dispatch.h"

#include "coding/bch_code.h"
#include "coding/conv_threshold.h"
#include "coding/cyclic_code.h"
#include "coding/inner_codes.h"
#include "coding/reed_solomon.h"
#include "coding/short_cyclic_decoders.h"
#include "coding/viterbi.h"

#include <array>

namespace spi {

namespace {

constexpr std::array<int, kCodeTypes> kEncoderFamily = {1, 2, 1, 1, 1, 1, 2, 3, 4, 4,
                                                        4, 0, 3, 5, 6, 3, 3, 5, 5};
constexpr std::array<int, kCodeTypes> kReferenceMode = {1, 2, 1, 1, 1, 1, 2, 2, 2, 2,
                                                        2, 0, 2, 1, 1, 2, 2, 1, 1};

// Encoder families built into this version.
constexpr std::array<bool, 7> kFamilyBuilt = {true, true, true, true, true, true, true};

template <void (*F)(ModelState &)> void IgnoringWordNumber(ModelState &m, long long) {
    F(m);
}

EncoderFn EncoderOfFamily(int family) {
    switch (family) {
    case 1:
        return encodeCyclic;
    case 2:
        return encodeConvHalf;
    case 3:
        return encodeConvK0N0;
    case 4:
        return encodeViterbi;
    case 5:
        return encodeReedSolomon;
    case 6:
        return encodeBch;
    default:
        return nullptr;
    }
}

DecoderFn DecoderOfType(int codeType) {
    switch (codeType) {
    case 0:
        return decodeSyndrome;
    case 1:
        return IgnoringWordNumber<decodeConvHalf>;
    case 2:
        return IgnoringWordNumber<decodeKasamiRudolph>;
    case 3:
        return IgnoringWordNumber<decodeMeggitt>;
    case 4:
        return IgnoringWordNumber<decodeThreshold157>;
    case 5:
        return IgnoringWordNumber<decodeMajority73>;
    case 6:
        return IgnoringWordNumber<decodeConv105>;
    case 7:
    case 12:
    case 15:
    case 16:
        return IgnoringWordNumber<decodeConvK0N0>;
    case 8:
    case 9:
    case 10:
        return decodeViterbi;
    case 13:
        return IgnoringWordNumber<decodeABMV>;
    case 14:
        return IgnoringWordNumber<decodeBch>;
    case 17:
    case 18:
        return IgnoringWordNumber<decodeABMCh>;
    default:
        return nullptr;
    }
}

} // namespace

int EncoderFamily(int codeType) {
    return codeType >= 0 && codeType < kCodeTypes
               ? kEncoderFamily[static_cast<std::size_t>(codeType)]
               : 0;
}

int ReferenceMode(int codeType) {
    return codeType >= 0 && codeType < kCodeTypes
               ? kReferenceMode[static_cast<std::size_t>(codeType)]
               : 0;
}

CodecEntry CodecFor(int codeType) {
    const int family = EncoderFamily(codeType);
    const bool built =
        kFamilyBuilt[static_cast<std::size_t>(family)] && InnerCodeAvailable(codeType);
    return {EncoderOfFamily(family), DecoderOfType(codeType), built};
}

} // namespace spi
