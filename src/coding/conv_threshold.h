// Systematic convolutional codes with threshold (majority) decoding and decision feedback.
// Registers of encoder and decoder carry over from word to word in the shared work cells; every
// decoder delivers the information bits of the previous word.
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace spi {

namespace conv {

// The buffers the coders read and write, whole and 1-based (element 0 carries no bit).
using ConstBits = std::span<const std::uint8_t, kMaxWord + 1>;
using Bits = std::span<std::uint8_t, kMaxWord + 1>;
using BlockBits = std::span<std::uint8_t, kMaxBlock + 1>;

} // namespace conv

// The encoders read the information word `info` and write the code word `code`.
// code types 1 and 6
void encodeConvHalf(const ModelParameters &p, DecoderWorkCells &w, conv::ConstBits info,
                    conv::BlockBits code);
// code types 7, 12, 15, 16; the memories and the steps per word are left in `state`
void encodeConvK0N0(const ModelParameters &p, const TapRow *taps, ConvThresholdState &state,
                    DecoderWorkCells &w, conv::ConstBits info, conv::BlockBits code);

// The iterative decoders copy the received word `rx` into `copy` (the chain lends channelSeq),
// move its information bits to the front of `rx` and write the decoded word. A position that the
// code's shape reads beyond the received word's n comes from what `copy` held before.
// code type 1, up to Cm passes
void decodeConvHalf(const ModelParameters &p, DecoderWorkCells &w, conv::Bits rx,
                    conv::BlockBits copy, conv::Bits decoded);
// code types 7, 12, 15, 16, up to Cm passes
void decodeConvK0N0(const ModelParameters &p, const TapRow *taps, ConvThresholdState &state,
                    DecoderWorkCells &w, conv::Bits rx, conv::BlockBits copy, conv::Bits decoded);
// code type 6, the fixed (10,5) decoder; `n` is the length of the decoded word it clears
void decodeConv105(int n, DecoderWorkCells &w, conv::ConstBits rx, conv::Bits decoded);

// For code types 1, 6, 7, 12, 15 and 16: the message that says which limit the settings would
// break (a register, syndrome or word index beyond its buffer, a rate or polynomial number the
// coders cannot use), or nullopt when the coders can run. Other code types pass. The encoders
// and the iterative decoders leave every buffer untouched when given settings that this refuses.
std::optional<std::string> CheckConvThresholdSettings(const ModelParameters &p, const TapRow *taps);

// The pass thresholds and the vote of the iterative decoders, shared with the inner code of the
// concatenated type 16: the threshold of pass `it` (0-based) for J taps, and Round(n0/2) (half to
// even), the number of polynomials whose vote inverts a bit at rate 1/n0.
int ThresholdOfPass(int J, int it);
int VotesToInvert(int n0);

} // namespace spi
