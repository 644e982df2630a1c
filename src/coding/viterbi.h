// The memory-2 rate-1/2 convolutional code (generators 5 and 7) with puncturing to 2/3 and 3/4,
// and its hard-decision Viterbi decoder. Encoder memory, metrics and survivors are never reset.
#pragma once

#include "model/model_state.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace spi {

// Code types 8, 9, 10: the k = codeK bits of info into codeWord, punctured by the type's period.
void encodeViterbi(const ModelParameters &p, ViterbiState &s,
                   std::span<const std::uint8_t, kMaxWord + 1> info,
                   std::span<std::uint8_t, kMaxBlock + 1> codeWord);

// Decodes the n = codeN received bits of rx and delivers the previous block's k bits into decoded
// (the first block of a run, blockNumber 1, delivers nothing). The puncturing period it decodes
// with, k div (n - k), goes to k0 (the model's convK0). Settings that CheckViterbiSettings refuses
// leave everything untouched.
void decodeViterbi(const ModelParameters &p, ViterbiState &s,
                   std::span<const std::uint8_t, kMaxWord + 1> rx,
                   std::span<std::uint8_t, kMaxWord + 1> decoded, std::int32_t &k0,
                   long long blockNumber);

// The same decoder step by step on the byte survivors, one branch per selection: the reference
// decodeViterbi must equal in every output and in the state it leaves.
void decodeViterbiPlain(const ModelParameters &p, ViterbiState &s,
                        std::span<const std::uint8_t, kMaxWord + 1> rx,
                        std::span<std::uint8_t, kMaxWord + 1> decoded, std::int32_t &k0,
                        long long blockNumber);

// decodeViterbi without its SSE2 steps, as processors other than x86-64 run it.
void decodeViterbiPortable(const ModelParameters &p, ViterbiState &s,
                           std::span<const std::uint8_t, kMaxWord + 1> rx,
                           std::span<std::uint8_t, kMaxWord + 1> decoded, std::int32_t &k0,
                           long long blockNumber);

// nullopt when codeN and codeK suit the decoder of code types 8, 9 and 10 (other types are not
// its concern); otherwise the message that says which rule and which values. A run calls it
// before it starts: the decoder keeps at most 24 positions per survivor and 16 periods per block,
// and with settings it cannot take it leaves the model untouched instead of decoding.
std::optional<std::string> CheckViterbiSettings(const ModelParameters &p);

// The code's words as machine words, bit i-1 for position i, for a run that takes its blocks so:
// the encoder's memory, the decoder's metrics and its survivors (each value's two bits as two
// planes of positions 1..24) carried between words, loaded from and stored back into the byte
// form exactly.
struct ViterbiLanes {
    std::array<std::uint8_t, 2> encoderMemory{};
    std::array<std::uint8_t, 8> metrics{};
    std::array<std::uint32_t, 4> high{}, low{};
    std::array<std::uint8_t, 4> first{};  // byte 0 of each survivor
    std::int32_t period = 0, periods = 0; // of the settings the lanes were loaded for
};
// False when the settings are not the decoder's or the byte form holds what the lanes cannot (a
// memory bit or a survivor value that no step writes); the run then stays with the bytes.
bool LoadViterbiLanes(const ModelParameters &p, const ViterbiState &s, ViterbiLanes &lanes);
void StoreViterbiLanes(const ViterbiLanes &lanes, ViterbiState &s);
// The number of code bits encodeViterbi leaves at the front of codeWord for codeK bits.
int ViterbiCodeLength(const ModelParameters &p);
// encodeViterbi of codeK bits (at most 24), the code word's first ViterbiCodeLength bits.
std::uint64_t EncodeViterbiMask(const ModelParameters &p, ViterbiLanes &lanes, std::uint64_t info);
// decodeViterbi of a block after the first, for settings CheckViterbiSettings takes: the previous
// block's codeK bits as it delivers them into decoded, and k0 as it sets it.
std::uint64_t DecodeViterbiMask(const ModelParameters &p, ViterbiLanes &lanes, std::uint64_t rx,
                                std::int32_t &k0);

} // namespace spi
