// The encoder and decoder each code type runs: the catalogue's encoder family and decoder mapped to
// the coders' functions.
#pragma once

#include "coding/code_catalogue.h"
#include "model/model_state.h"

namespace spi {

using EncoderFn = void (*)(ModelState &);
using DecoderFn = void (*)(ModelState &, long long wordNumber);

struct CodecEntry {
    EncoderFn encode = nullptr; // nullptr: no encoder runs
    DecoderFn decode = nullptr; // nullptr: no decoder runs
};

// Entry of a code type; types of 19 and above select nothing.
CodecEntry CodecFor(int codeType);

} // namespace spi
