#include "chain/code_dispatch.h"

#include "coding/bch_code.h"
#include "coding/conv_threshold.h"
#include "coding/cyclic_code.h"
#include "coding/reed_solomon.h"
#include "coding/short_cyclic_decoders.h"
#include "coding/viterbi.h"

namespace spi {

namespace {

template <void (*F)(ModelState &)> void IgnoringWordNumber(ModelState &m, long long) {
    F(m);
}

EncoderFn EncoderOfFamily(EncoderFamily family) {
    switch (family) {
    case EncoderFamily::Cyclic:
        return encodeCyclic;
    case EncoderFamily::ConvHalf:
        return encodeConvHalf;
    case EncoderFamily::ConvK0N0:
        return encodeConvK0N0;
    case EncoderFamily::ConvViterbi:
        return encodeViterbi;
    case EncoderFamily::NonBinary:
        return encodeReedSolomon;
    case EncoderFamily::Bch:
        return encodeBch;
    case EncoderFamily::None:
        break;
    }
    return nullptr;
}

DecoderFn DecoderOf(Decoder decoder) {
    switch (decoder) {
    case Decoder::Syndrome:
        return decodeSyndrome;
    case Decoder::ConvHalf:
        return IgnoringWordNumber<decodeConvHalf>;
    case Decoder::KasamiRudolph:
        return IgnoringWordNumber<decodeKasamiRudolph>;
    case Decoder::Meggitt:
        return IgnoringWordNumber<decodeMeggitt>;
    case Decoder::Threshold157:
        return IgnoringWordNumber<decodeThreshold157>;
    case Decoder::Majority73:
        return IgnoringWordNumber<decodeMajority73>;
    case Decoder::Conv105:
        return IgnoringWordNumber<decodeConv105>;
    case Decoder::ConvK0N0:
        return IgnoringWordNumber<decodeConvK0N0>;
    case Decoder::Viterbi:
        return decodeViterbi;
    case Decoder::Abmv:
        return IgnoringWordNumber<decodeABMV>;
    case Decoder::Bch:
        return IgnoringWordNumber<decodeBch>;
    case Decoder::Abmch:
        return IgnoringWordNumber<decodeABMCh>;
    case Decoder::None:
        break;
    }
    return nullptr;
}

} // namespace

CodecEntry CodecFor(int codeType) {
    const CodeTypeFacts &facts = CodeTypeRow(codeType);
    return {EncoderOfFamily(facts.family), DecoderOf(facts.decoder)};
}

} // namespace spi
