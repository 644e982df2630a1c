// The inner Viterbi codes of the concatenated types: the rate-1/2 pair of types 12 and 17 and the
// rate-1/3 pair of type 15. They encode all-ones blocks into codeWord, add the channel errors of
// errorVector and leave the residual errors in errorVector, one whole block late.
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace spi {

// The rate-1/2 pair: the block length l comes from codeType and codeN.
void InnerEncode(const ModelParameters &p, InnerCodeState &s,
                 std::span<std::uint8_t, kMaxBlock + 1> codeWord);
void InnerDecode(InnerCodeState &s, std::span<std::uint8_t, kMaxBlock + 1> codeWord,
                 std::span<std::uint8_t, kMaxBlock + 1> errorVector, int h);
// The rate-1/3 pair, blocks of 12.
void InnerEncode15(InnerCodeState &s, std::span<std::uint8_t, kMaxBlock + 1> codeWord);
void InnerDecode15(InnerCodeState &s, std::span<std::uint8_t, kMaxBlock + 1> codeWord,
                   std::span<std::uint8_t, kMaxBlock + 1> errorVector, int h);

// nullopt when the inner block length of code types 12, 15 and 17 fits the survivor paths (other
// types are not its concern); otherwise the message that says which value. A run calls it before
// it starts: type 17 with n other than 155, 378 or 2040 takes l = n, and the paths hold 60
// positions. Called anyway, the pair leaves the model untouched.
std::optional<std::string> CheckInnerViterbiSettings(const ModelParameters &p);

} // namespace spi
