// Reed-Solomon codes over GF(2^m): the systematic encoder and the decoders "АБМВ" (time domain)
// and "АБМЧ" (syndromes, Berlekamp-Massey with the evaluator, Forney values).
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <span>

namespace spi {

// The coders read codeK and codeT of the parameters and the field, N and K that SetUpNonBinaryCode
// left in state; the encoder builds g(x) into state once per run and keeps the information symbols
// in rsSymbols, the decoders correct the received symbols there.
void encodeReedSolomon(const ModelParameters &p, GaloisCoderState &state,
                       std::span<const std::uint8_t, kMaxWord + 1> info,
                       std::span<std::uint8_t, kMaxBlock + 1> code); // code types 13, 17, 18
void decodeABMV(const ModelParameters &p, GaloisCoderState &state,
                std::span<const std::uint8_t, kMaxWord + 1> rx,
                std::span<std::uint8_t, kMaxWord + 1> decoded); // code type 13
void decodeABMCh(const ModelParameters &p, GaloisCoderState &state,
                 std::span<const std::uint8_t, kMaxWord + 1> rx,
                 std::span<std::uint8_t, kMaxWord + 1> decoded); // code types 17 and 18

// The same coders on their plain paths, the references of the others: the field built for each
// word, the encoder's register multiplied through logarithms, every syndrome and every locator
// value evaluated.
void encodeReedSolomonPlain(const ModelParameters &p, GaloisCoderState &state,
                            std::span<const std::uint8_t, kMaxWord + 1> info,
                            std::span<std::uint8_t, kMaxBlock + 1> code);
void decodeABMVPlain(const ModelParameters &p, GaloisCoderState &state,
                     std::span<const std::uint8_t, kMaxWord + 1> rx,
                     std::span<std::uint8_t, kMaxWord + 1> decoded);
void decodeABMChPlain(const ModelParameters &p, GaloisCoderState &state,
                      std::span<const std::uint8_t, kMaxWord + 1> rx,
                      std::span<std::uint8_t, kMaxWord + 1> decoded);

} // namespace spi
