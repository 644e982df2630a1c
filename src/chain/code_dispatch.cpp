#include "chain/code_dispatch.h"

#include "coding/bch_code.h"
#include "coding/conv_threshold.h"
#include "coding/cyclic_code.h"
#include "coding/reed_solomon.h"
#include "coding/short_cyclic_decoders.h"
#include "coding/viterbi.h"

namespace spi {

namespace {

// Each family's steps hand its coder the model's parts it works on: its parameters, its own
// state, the shared work cells and the words it reads and writes.

// --- Cyclic codes: the syndrome decoder and the four decoders of fixed short codes ---

void EncodeCyclicStep(ModelState &m) {
    encodeCyclic(m, m.infoWord, m.codeWord);
}
void DecodeSyndromeStep(ModelState &m, long long wordNumber) {
    decodeSyndrome(m, m, m.rxWord, m.decodedWord, wordNumber,
                   {m.detectedBlockCount, m.wordErrProbAfter});
}
void DecodeKasamiRudolphStep(ModelState &m, long long) {
    decodeKasamiRudolph(m.rxWord, m.decodedWord);
}
void DecodeMeggittStep(ModelState &m, long long) {
    decodeMeggitt(m.rxWord, m.decodedWord);
}
void DecodeThreshold157Step(ModelState &m, long long) {
    decodeThreshold157(m.rxWord, m.decodedWord);
}
void DecodeMajority73Step(ModelState &m, long long) {
    decodeMajority73(m.rxWord, m.decodedWord);
}

// --- Convolutional codes with threshold decoding ---

// The iterative decoders borrow channelSeq to hold the received word; where the code's shape
// reaches beyond n they read what the interleaver or an earlier word left there.

void EncodeConvHalfStep(ModelState &m) {
    encodeConvHalf(m, m, m.infoWord, m.codeWord);
}
void DecodeConvHalfStep(ModelState &m, long long) {
    decodeConvHalf(m, m, m.rxWord, m.channelSeq, m.decodedWord);
}
void DecodeConv105Step(ModelState &m, long long) {
    decodeConv105(m.codeN, m, m.rxWord, m.decodedWord);
}
void EncodeConvK0N0Step(ModelState &m) {
    encodeConvK0N0(m, m.tapTable, m, m, m.infoWord, m.codeWord);
}
void DecodeConvK0N0Step(ModelState &m, long long) {
    decodeConvK0N0(m, m.tapTable, m, m, m.rxWord, m.channelSeq, m.decodedWord);
}

// --- The convolutional code with Viterbi decoding ---

void EncodeViterbiStep(ModelState &m) {
    encodeViterbi(m, m, m.infoWord, m.codeWord);
}
void DecodeViterbiStep(ModelState &m, long long blockNumber) {
    decodeViterbi(m, m, m.rxWord, m.decodedWord, m.convK0, blockNumber);
}

// --- Reed-Solomon and BCH codes ---

void EncodeReedSolomonStep(ModelState &m) {
    encodeReedSolomon(m, m, m.infoWord, m.codeWord);
}
void DecodeAbmvStep(ModelState &m, long long) {
    decodeABMV(m, m, m.rxWord, m.decodedWord);
}
void DecodeAbmchStep(ModelState &m, long long) {
    decodeABMCh(m, m, m.rxWord, m.decodedWord);
}
// The BCH code's systematic encoder is the binary cyclic one, over the g(x) of its table row.
void EncodeBchStep(ModelState &m) {
    EncodeCyclicStep(m);
}
void DecodeBchStep(ModelState &m, long long) {
    decodeBch(m, m, m.rxWord, m.decodedWord);
}

// --- The catalogue's families and decoders mapped to the steps ---

EncoderFn EncoderOfFamily(EncoderFamily family) {
    switch (family) {
    case EncoderFamily::Cyclic:
        return EncodeCyclicStep;
    case EncoderFamily::ConvHalf:
        return EncodeConvHalfStep;
    case EncoderFamily::ConvK0N0:
        return EncodeConvK0N0Step;
    case EncoderFamily::ConvViterbi:
        return EncodeViterbiStep;
    case EncoderFamily::NonBinary:
        return EncodeReedSolomonStep;
    case EncoderFamily::Bch:
        return EncodeBchStep;
    case EncoderFamily::None:
        break;
    }
    return nullptr;
}

DecoderFn DecoderOf(Decoder decoder) {
    switch (decoder) {
    case Decoder::Syndrome:
        return DecodeSyndromeStep;
    case Decoder::ConvHalf:
        return DecodeConvHalfStep;
    case Decoder::KasamiRudolph:
        return DecodeKasamiRudolphStep;
    case Decoder::Meggitt:
        return DecodeMeggittStep;
    case Decoder::Threshold157:
        return DecodeThreshold157Step;
    case Decoder::Majority73:
        return DecodeMajority73Step;
    case Decoder::Conv105:
        return DecodeConv105Step;
    case Decoder::ConvK0N0:
        return DecodeConvK0N0Step;
    case Decoder::Viterbi:
        return DecodeViterbiStep;
    case Decoder::Abmv:
        return DecodeAbmvStep;
    case Decoder::Bch:
        return DecodeBchStep;
    case Decoder::Abmch:
        return DecodeAbmchStep;
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
