// The two tables that steer the run with coding, indexed by codeType 0..18, and the encoder and
// decoder each code type runs.
#pragma once

#include "model/model_state.h"

namespace spi {

inline constexpr int kCodeTypes = 19;

// Encoder family: 0 none, 1 binary cyclic, 2 convolutional R=1/2, 3 convolutional R=k0/n0,
// 4 convolutional for Viterbi decoding, 5 non-binary cyclic, 6 binary BCH.
int EncoderFamily(int codeType);
// Reference mode: 0 none, 1 the word itself, 2 the previous word (one word of decoding delay).
int ReferenceMode(int codeType);

using EncoderFn = void (*)(ModelState &);
using DecoderFn = void (*)(ModelState &, long long wordNumber);

struct CodecEntry {
    EncoderFn encode = nullptr; // nullptr: no encoder runs
    DecoderFn decode = nullptr; // nullptr: no decoder runs
    bool available = false;     // whether this version can run the type at all
};

// Entry of a code type; types of 19 and above select nothing and are available.
CodecEntry CodecFor(int codeType);

} // namespace spi
