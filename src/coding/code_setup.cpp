#include "coding/code_setup.h"

#include "coding/galois_field.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace spi {

namespace {

struct NonBinaryCode {
    int n; // N, symbols per word
    int k; // K, information symbols
    std::string_view fieldDigits;
};

// The catalogue of Reed-Solomon codes by code number; the last digit of the field polynomial is m.
constexpr std::array<NonBinaryCode, 14> kNonBinaryCodes = {{
    {0, 0, ""},
    {7, 3, "023"},
    {15, 9, "034"},
    {15, 12, "034"},
    {31, 27, "035"},
    {31, 21, "035"},
    {31, 20, "035"},
    {31, 15, "035"},
    {63, 55, "056"},
    {63, 51, "056"},
    {63, 47, "056"},
    {255, 232, "04568"},
    {255, 239, "04568"},
    {255, 251, "04568"},
}};
constexpr int kNonBinaryCodeCount = 13;
constexpr int kBchCodeRows = 76;

std::string S(long long v) {
    return std::to_string(v);
}

std::string CodeNumberRefusal(int number) {
    return "Номер недвоичного кода " + S(number) + " вне допустимых пределов 1.." +
           S(kNonBinaryCodeCount) + ".";
}

} // namespace

void SetUpNonBinaryCode(ModelParameters &p, GaloisCoderState &s, Notifier &notifier) {
    const int number = p.polyNumbers[0];
    if (number < 1 || number > kNonBinaryCodeCount) {
        notifier.Error(CodeNumberRefusal(number));
        return;
    }
    const NonBinaryCode &code = kNonBinaryCodes[number];
    s.rsCodeNumber = static_cast<std::uint16_t>(number);
    StoreFieldPolyDigits(s, code.fieldDigits);
    const int degree = code.fieldDigits.back() - '0';
    s.gfDegree = static_cast<std::uint16_t>(degree);
    s.gfOrder = static_cast<std::uint16_t>(code.n);
    s.rsK = static_cast<std::uint16_t>(code.k);
    p.codeN = code.n * degree;
    p.codeK = code.k * degree;
    p.codeT = (code.n - code.k) / 2;
    BuildFieldTables(s.fieldPolyDigits, s.fieldPolyTermCount, s.gfExp, s.gfLog);
}

std::optional<std::string> CheckNonBinaryCode(const ModelParameters &p, const GaloisCoderState &s) {
    if (!IsNonBinaryCodeType(p.codeType))
        return std::nullopt;
    const int number = p.polyNumbers[0];
    if (number < 1 || number > kNonBinaryCodeCount)
        return CodeNumberRefusal(number);
    const NonBinaryCode &code = kNonBinaryCodes[number];
    const int degree = code.fieldDigits.back() - '0';
    // The field tables are built only by the set-up; a model that has not run it for this number
    // (or that holds another code's field) must not reach the coders.
    if (s.rsCodeNumber != number || s.gfDegree != degree || s.gfOrder != code.n ||
        s.rsK != code.k || !FieldTablesValid(s.gfExp, s.gfLog, code.n))
        return "Недвоичный код номер " + S(number) +
               " не подготовлен: повторите ввод параметров УЗО.";
    const long long n = static_cast<long long>(code.n) * degree;
    const long long k = static_cast<long long>(code.k) * degree;
    if (p.codeN != n || p.codeK != k)
        return "Недвоичный код номер " + S(number) + ": n=" + S(p.codeN) + ", k=" + S(p.codeK) +
               " не совпадают с N*m=" + S(n) + ", K*m=" + S(k) + ".";
    const int maxT = (code.n - code.k) / 2;
    if (p.codeT < 0 || p.codeT > maxT)
        return "Недвоичный код номер " + S(number) + ": число исправляемых ошибок t=" + S(p.codeT) +
               " вне пределов 0.." + S(maxT) + ".";
    return std::nullopt;
}

std::optional<std::string> CheckBchCode(const ModelParameters &p) {
    if (CodeTypeRow(p.codeType).decoder != Decoder::Bch)
        return std::nullopt;
    const int row = p.polyNumbers[0];
    if (row < 1 || row > kBchCodeRows)
        return "Номер строки таблицы кодов БЧХ " + S(row) + " вне допустимых пределов 1.." +
               S(kBchCodeRows) + ".";
    const int order = BchFieldOrder(row);
    const long long n = p.codeN, k = p.codeK, t = p.codeT;
    if (n < 1 || n > order)
        return "Код БЧХ строки " + S(row) + ": длина n=" + S(n) + " вне пределов 1.." + S(order) +
               " (поле декодера GF(" + S(order + 1) + ")).";
    if (k < 1 || k >= n)
        return "Код БЧХ: число информационных символов k=" + S(k) +
               " должно быть в пределах 1..n-1 (n=" + S(n) + ").";
    if (t < 0 || 2 * t > n - k)
        return "Код БЧХ: число исправляемых ошибок t=" + S(t) + " вне пределов 0.." +
               S((n - k) / 2) + ".";
    if (p.genPolyTermCount < 1 || p.genPolyTermCount > kPolyTerms)
        return "Код БЧХ: число членов g(x) " + S(p.genPolyTermCount) + " вне пределов 1.." +
               S(kPolyTerms) + ".";
    const auto first = p.genPolyTerms.begin();
    const auto last = first + p.genPolyTermCount;
    const auto [low, high] = std::minmax_element(first, last);
    if (*low != 0 || *high != n - k)
        return "Код БЧХ: g(x) должен иметь младшую степень 0 и старшую n-k=" + S(n - k) +
               " (степени g(x) " + S(*low) + ".." + S(*high) + ").";
    return std::nullopt;
}

} // namespace spi
