#include "coding/gen_poly_parser.h"

#include "coding/code_catalogue.h"

#include <cstdint>
#include <limits>
#include <string_view>

namespace spi {

namespace {

constexpr std::string_view kInputError = "Ошибка ввода g(x).";
constexpr std::string_view kRepeatedExponent = "В наборе g(x) имеются одинаковые степени";
constexpr std::string_view kUnequalLengths = "В наборе g(x) многочлены разной длины ";

// Appends into genPolyTerms without ever passing its 301 entries.
class TermList {
public:
    explicit TermList(ModelParameters &m) : m_(m) {}

    bool Append(std::int32_t exponent) {
        if (count_ >= kPolyTerms)
            return false;
        m_.genPolyTerms[static_cast<std::size_t>(count_++)] = exponent;
        return true;
    }
    std::int32_t Count() const { return count_; }

private:
    ModelParameters &m_;
    std::int32_t count_ = 0;
};

// A piece of a comma list: leading blanks skipped, the digits up to the first other character,
// 0 when there are none. False when the number does not fit 32 bits: such a tap or exponent
// cannot be meant, and wrapping it round would hand the coders a different one.
bool ReadDecimalPiece(std::string_view piece, std::int32_t &value) {
    std::size_t i = 0;
    while (i < piece.size() && piece[i] == ' ')
        ++i;
    std::int64_t v = 0;
    for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i) {
        v = v * 10 + (piece[i] - '0');
        if (v > std::numeric_limits<std::int32_t>::max())
            return false;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}

// Every piece before a comma counts (an empty one as 0); the piece after the last comma counts
// only when the text does not end in that comma.
bool ParseCommaList(std::string_view text, TermList &terms) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view piece = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        std::int32_t value = 0;
        if (!ReadDecimalPiece(piece, value) || !terms.Append(value))
            return false;
        if (comma == std::string_view::npos || comma + 1 == text.size())
            return true;
        start = comma + 1;
    }
}

// The rightmost octal digit holds x^0, x^1, x^2, so walking the text from its end yields the
// exponents in ascending order. Only the digits 0..7 are octal here: any other character (a blank,
// a letter, a byte of a Cyrillic letter) refuses the text rather than lending its code bits.
bool ParseOctal(std::string_view text, TermList &terms) {
    if (text.back() != '1' && text.back() != '3' && text.back() != '5' && text.back() != '7')
        return false;
    for (const char c : text)
        if (c < '0' || c > '7')
            return false;
    std::int32_t d = 0;
    for (auto it = text.rbegin(); it != text.rend(); ++it, ++d) {
        const int digit = *it - '0';
        for (int b = 0; b < 3; ++b)
            if ((digit >> b) & 1)
                if (!terms.Append(3 * d + b))
                    return false;
    }
    return true;
}

// A set of polynomials is the concatenation of their tap lists, each beginning with its tap 0:
// the zeros after the first entry mark where the next polynomial starts.
void CheckPolynomialSet(const ModelParameters &m, Notifier &notifier) {
    const std::int32_t count = m.genPolyTermCount;
    const auto &t = m.genPolyTerms;
    for (std::int32_t i = 1; i < count; ++i)
        for (std::int32_t j = i + 1; j < count; ++j)
            if (t[static_cast<std::size_t>(i)] != 0 &&
                t[static_cast<std::size_t>(i)] == t[static_cast<std::size_t>(j)])
                notifier.Error(kRepeatedExponent);
    std::int32_t polynomials = 1;
    for (std::int32_t i = 1; i < count; ++i)
        if (t[static_cast<std::size_t>(i)] == 0)
            ++polynomials;
    if (count % polynomials != 0)
        notifier.Error(kUnequalLengths);
}

} // namespace

void parseGenPoly(ModelParameters &m, Notifier &notifier) {
    const std::string_view text = m.genPolyText;
    if (text.empty()) {
        notifier.Warning(kInputError);
        m.genPolyTermCount = 0;
        return;
    }
    m.genPolyTerms.fill(0);
    if (IsViterbiType(m.codeType)) {
        m.genPolyTermCount = 0;
        return;
    }

    TermList terms(m);
    const bool accepted = text.find(',') != std::string_view::npos ? ParseCommaList(text, terms)
                                                                   : ParseOctal(text, terms);
    if (!accepted) {
        // A refused text leaves no partial list behind: the run then works with no exponents.
        m.genPolyTerms.fill(0);
        m.genPolyTermCount = 0;
        notifier.Error(kInputError);
        return;
    }
    m.genPolyTermCount = terms.Count();

    if (IsPolynomialSetType(m.codeType) && m.genPolyTermCount >= 1)
        CheckPolynomialSet(m, notifier);
}

} // namespace spi
