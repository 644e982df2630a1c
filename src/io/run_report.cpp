#include "io/run_report.h"

#include "coding/code_catalogue.h"
#include "io/codepage1251.h"
#include "io/safe_file.h"
#include "model/format.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

namespace spi {
namespace {

// The report is composed in UTF-8 and converted to 1251 in one go at the end; the frame of the
// box-drawn tables is the em dash (0x97) and the broken bar (0xA6) of that code page. A label that
// begins with "\n" carries a lone LF of its own, in addition to the CR LF line ends.
constexpr std::string_view kEol = "\r\n";
constexpr std::string_view kBoxBorder = "  +——————————+——————————+——————————+——————————+——————————+"
                                        "——————————+";
constexpr std::string_view kBoxHeader =
    "  ¦ КРАТНОСТЬ¦     0    ¦     1    ¦     2    ¦     3    ¦     4    ¦";
constexpr std::string_view kBoxSeparator =
    "  ¦——————————+——————————+——————————+——————————+——————————+——————————¦";
constexpr std::string_view kPlainHeader =
    " КРАТНОСТЬ;     0  ;     1    ;     2    ;     3    ;     4    ";

class ReportText {
public:
    explicit ReportText(std::string &out) : out_(out) {}
    ReportText &operator<<(std::string_view text) {
        out_ += text;
        return *this;
    }

private:
    std::string &out_;
};

// Reals go through extended precision, as the formatted write of the report always did.
std::string Real(double x, int width, int decimals) {
    return FormatFixed(static_cast<long double>(x), width, decimals);
}
std::string Int(std::int64_t value, int width = 0) {
    return FormatInt(value, width);
}

const std::array<double, kMaxWord + 1> &Distribution(const ModelState &m, int distribution) {
    return distribution == kBeforeDecoding ? m.multBefore : m.multAfter;
}

// The row counts come from the last run; a count beyond the arrays is cut to them.
int RowCount(const ModelState &m, int distribution) {
    const int rows = distribution == kBeforeDecoding ? m.multRowsBefore : m.multRowsAfter;
    return std::clamp(rows, 0, kMaxWord + 1);
}

void WriteCyclicSection(ReportText &o, const ModelState &m) {
    o << "\n ИСПОЛЬЗУЕТСЯ ЦИКЛИЧЕСКИЙ КОД: n=" << Int(m.codeN) << " k=" << Int(m.codeK) << ";"
      << kEol;
    o << " Производящий многочлен(8-ая запись):" << kEol;
    o << "               g(x)=" << m.genPolyText << ";" << kEol;
    o << " МАКС.кратность исправл.ошибок t=" << Int(m.codeT) << ";" << kEol;
    const Decoder decoder = CodeTypeRow(m.codeType).decoder;
    if (decoder == Decoder::Syndrome)
        o << " Декодер синдромно-матричный." << kEol;
    if (decoder == Decoder::Bch)
        o << " Декодер АБМВ." << kEol;
}

void WriteReedSolomonSection(ReportText &o, const ModelState &m) {
    o << "\n ИСПОЛЬЗУЕТСЯ КОД Рида-Соломона: n=" << Int(m.codeN) << " k=" << Int(m.codeK) << ";"
      << kEol;
    o << " Производящий многочлен g(x)=" << m.genPolyText << ";" << kEol;
    o << "\n МАКС.кратность исправл.ошибок t=" << Int(m.codeT) << ";" << kEol;
    const Decoder decoder = CodeTypeRow(m.codeType).decoder;
    if (decoder == Decoder::Abmv)
        o << " Декодер АБМВ." << kEol;
    if (decoder == Decoder::Abmch)
        o << " Декодер АБМЧ." << kEol;
}

void WriteConvolutionalSection(ReportText &o, const ModelState &m) {
    o << "\n ИСПОЛЬЗУЕТСЯ СВЕРТОЧНЫЙ КОД: n=" << Int(m.codeN) << "; k=" << Int(m.codeK) << ";"
      << kEol;
    o << " Производящий(е) многочлен(ы): g(x)=" << m.genPolyText << ";" << kEol;
    const CodeTypeFacts &facts = CodeTypeRow(m.codeType);
    // The Viterbi types by their puncturing period; the others are 6 and the threshold-iterative
    // 1 and 7.
    switch (facts.viterbiPeriod) {
    case 1:
        o << " g1=1+x; g2=1+x+x2; R=1/2, Декодер Витерби." << kEol;
        break;
    case 2:
        o << "       g(ij)=1+x,1+x,1" << kEol;
        o << "             0,  x, 1+x; R=2/3,Декодер Витерби." << kEol;
        break;
    case 3:
        o << "       g(ij)=1+x,1+x,1" << kEol;
        o << "             0,  x, 1+x; R=3/4,Декодер Витерби." << kEol;
        break;
    default:
        if (facts.decoder == Decoder::Conv105) {
            o << "                          (8-ричная запись)" << kEol;
        } else {
            o << "               (степени мн-на(ов))" << kEol;
            o << " Декодер итерационный пороговый,"
              << " МАКС.число итераций:" << Int(m.codeT, 3) << "." << kEol;
        }
        break;
    }
}

// The inner code's lines end without a line end of their own: the outer code's label that
// follows begins with its lone LF.
void WriteConcatenatedSection(ReportText &o, const ModelState &m) {
    o << "\n ИСПОЛЬЗУЕТСЯ КАСКАДНЫЙ КОД."
      << "\n Внутренний код свёрточный: " << kEol;
    o << " Производящий(е) многочлен(ы):" << kEol;
    const CodeTypeFacts &facts = CodeTypeRow(m.codeType);
    switch (facts.inner) {
    case InnerCode::ViterbiThird12:
        o << " g1=1+x; g2=1+x+x2; выколотый R=1/3," << kEol << " Декодер Витерби.";
        break;
    case InnerCode::ThresholdSet:
        // The coder window's field of inner polynomial numbers is innerPolyList.
        o << "     Номер многочлена g(x)=" << m.innerPolyList << ";" << kEol;
        o << "     Декодер итерационный пороговый.";
        break;
    default: // 12 and 17
        o << " g1=1+x; g2=1+x+x2; R=1/2, Декодер Витерби.";
        break;
    }
    if (facts.nonBinary) {
        o << "\n Внешний код РС: n=" << Int(m.codeN) << "; k=" << Int(m.codeK) << ";" << kEol;
        o << " Производящий многочлен g(x)=" << m.genPolyText << ";";
        o << "\n МАКС.кратность исправл.ошибок t=" << Int(m.codeT) << ";" << kEol;
        o << " Декодер АБМЧ." << kEol;
    } else {
        o << "\n Внешний код свёрточный: n=" << Int(m.codeN) << "; k=" << Int(m.codeK) << ";"
          << kEol;
        o << " Производящий(е) многочлен(ы): g(x)=" << m.genPolyText << ";" << kEol;
        o << " Декодер итерационный пороговый." << kEol;
    }
}

void WriteCodeSection(ReportText &o, const ModelState &m) {
    switch (CodeTypeRow(m.codeType).report) {
    case ReportSection::Cyclic:
        WriteCyclicSection(o, m);
        break;
    case ReportSection::Convolutional:
        WriteConvolutionalSection(o, m);
        break;
    case ReportSection::Concatenated:
        WriteConcatenatedSection(o, m);
        break;
    case ReportSection::ReedSolomon:
        WriteReedSolomonSection(o, m);
        break;
    case ReportSection::None:
        break;
    }
}

void WriteChannelBlock(ReportText &o, const ModelState &m) {
    const auto &d = m.discParams;
    o << " Пороговые уровни: H1 =" << Real(m.ruThreshold1, 5, 1)
      << "; H2 =" << Real(m.ruThreshold2, 5, 1) << ";" << kEol;
    o << " Вероятности состояний: P0 =" << Real(d[0], 8, 7) << ";" << kEol;
    o << "                        P1 =" << Real(d[1], 8, 7) << ";" << kEol;
    o << "                        P2 =" << Real(d[2], 8, 7) << ";" << kEol;
    o << " Вероятности ошибок:    E0 =" << Real(d[3], 8, 7) << ";" << kEol;
    o << "                        E1 =" << Real(d[4], 8, 7) << ";" << kEol;
    o << "                        E2 =" << Real(d[5], 8, 7) << ";" << kEol;
    o << " Матрица переходных вероятностей:" << kEol;
    // The chain never jumps between states 0 and 2, so those two cells are printed as zeros.
    const std::array<std::array<double, 3>, 3> matrix = {{
        {d[6], d[7], 0.0},
        {d[8], d[9], d[10]},
        {0.0, d[11], d[12]},
    }};
    for (const auto &row : matrix)
        o << "   " << Real(row[0], 8, 7) << "  " << Real(row[1], 8, 7) << "  " << Real(row[2], 8, 7)
          << kEol;
    o << " Средняя вероятность ошибки: Pcp=" << Real(d[13], 8, 7) << ";" << kEol;
}

void WriteBreakBlock(ReportText &o, const ModelState &m) {
    const auto &b = m.breakParams;
    o << " Параметры перерывов:" << kEol;
    o << "    PP=" << Real(b[0], 8, 7) << "; PI=" << Real(b[1], 8, 7) << "; E4=" << Real(b[2], 8, 7)
      << ";" << kEol;
    o << "    P4=" << Real(b[3], 8, 7) << "; P5=" << Real(b[4], 8, 7) << "; B1=" << Real(b[5], 8, 7)
      << ";" << kEol;
    o << "    B2=" << Real(b[6], 8, 7) << "; TM=" << Real(b[7], 8, 1) << ";" << kEol;
}

// Capacity of the channel without the coder. For the discrete-channel structure it is Ck of the
// channel description; the decision-device structure never computes Ck (its channel step only
// derives Pcp), so there the run's own figure is the one that describes the modelled channel.
double CapacityWithoutCoder(const ModelState &m) {
    return m.channelType == 2 ? m.capacityNoCoder2 : m.discParams[14];
}

std::string UnwritableText(const char *where, const std::string &offending) {
    if (offending.size() > 1)
        return std::string("Символ «") + offending + "» в " + where +
               " нельзя записать в кодовой странице 1251; отчёт не записан.";
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X",
                  offending.empty() ? 0u : static_cast<unsigned char>(offending[0]));
    return std::string("В ") + where + " встретился байт " + hex +
           ", не образующий символа UTF-8; отчёт не записан.";
}

// The report prints the user's texts only with a code section; a text the report does not print
// cannot spoil it.
bool CheckPrintedTexts(const ModelState &m, std::string *failure) {
    struct Text {
        const std::string &value;
        const char *where;
        bool printed;
    };
    const Text texts[] = {
        {m.genPolyText, "тексте g(x)", true},
        {m.innerPolyList, "номерах многочленов внутреннего кода",
         CodeTypeRow(m.codeType).inner == InnerCode::ThresholdSet},
    };
    for (const auto &t : texts) {
        std::string offending;
        if (t.printed && !Utf8ToCp1251(t.value, &offending)) {
            if (failure)
                *failure = UnwritableText(t.where, offending);
            return false;
        }
    }
    return true;
}

} // namespace

int LastMultiplicityIndex(const ModelState &m, int distribution) {
    const auto &entries = Distribution(m, distribution);
    for (int i = RowCount(m, distribution) - 1; i >= 0; --i)
        if (entries[static_cast<std::size_t>(i)] != 0.0)
            return i;
    return -1;
}

void WriteMultiplicityTable(std::string &out, const ModelState &m, int lastIndex, int distribution,
                            bool boxForm) {
    const auto &entries = Distribution(m, distribution);
    const int c = std::clamp(lastIndex, -1, kMaxWord);
    ReportText o(out);
    if (boxForm)
        o << kBoxBorder << kEol << kBoxHeader << kEol << kBoxSeparator << kEol;
    else
        o << kPlainHeader << kEol;
    for (int i = 0; i <= c; ++i) {
        if (i % 5 == 0) {
            if (boxForm)
                o << "  ¦   " << Int(i, 3) << "    ¦ ";
            else
                o << " " << Int(i, 3) << "    ; ";
        }
        o << Real(entries[static_cast<std::size_t>(i)], 8, 7);
        const bool rowEnds = (i + 1) % 5 == 0;
        if (boxForm)
            o << "¦ ";
        else
            o << (rowEnds ? " " : "; ");
        if (rowEnds && i != c)
            o << kEol;
    }
    // The remainder keeps the sign of c, so an empty table (c = -1) gets five fillers.
    const int fillers = 4 - c % 5;
    for (int j = 1; j <= fillers; ++j) {
        if (boxForm)
            o << "0.0000000¦ ";
        else
            o << (j < fillers ? "0.0000000; " : "0.0000000 ");
    }
    o << kEol;
    if (boxForm)
        o << kBoxBorder << kEol;
}

std::optional<std::string> WriteTestReport(const ModelState &m, bool boxForm,
                                           std::string *failure) {
    long double afterSum = 0;
    for (int i = 0; i < RowCount(m, kAfterDecoding); ++i)
        afterSum += m.multAfter[static_cast<std::size_t>(i)];
    // A run without the device leaves the after-decoding distribution all zero.
    const bool coderUsed = afterSum != 0;
    if (coderUsed && !CheckPrintedTexts(m, failure))
        return std::nullopt;

    std::string text;
    text.reserve(4096);
    ReportText o(text);
    o << "                РЕЗУЛЬТАТЫ ИСПЫТАНИЙ" << kEol;
    o << "\n Исходные данные:" << kEol;
    o << " СИГНАЛ двоичный: p(1) =" << Real(m.probOne, 8, 7) << "." << kEol;
    o << "\n НЕПРЕРЫВНЫЙ КАНАЛ: Hp =" << Real(m.contHp, 5, 1) << "; Hc =" << Real(m.contHc, 5, 1)
      << ";" << kEol;
    o << "                     m =" << Int(m.contM, 3) << ";    Q = " << Real(m.contQ, 8, 7) << ";"
      << kEol;
    o << " Модулятор: md =" << Real(m.modMd, 3, 1) << "; Демодулятор: dm =" << Int(m.demodDm) << ";"
      << kEol;
    o << (m.ruCriterion != 0 ? " Критерий качества: МАВ." : " Критерий качества: МП ;") << kEol;
    o << "\n ДИСКРЕТНЫЙ КАНАЛ:" << kEol;
    if (m.channelType == 1)
        WriteChannelBlock(o, m);
    if (m.breakParams[0] > 0)
        WriteBreakBlock(o, m);
    o << " Параметры перемежителя:"
      << " A=" << Int(m.ilvA) << "; C=" << Int(m.ilvC) << "; L=" << Int(m.ilvL) << "." << kEol;

    if (!coderUsed) {
        o << "\n УЗО НЕ ИСПОЛЬЗУЕТСЯ." << kEol;
        o << "\n ОБЪЕМ ИСПЫТАНИЙ NB=" << Int(m.wordCount) << "." << kEol;
        o << "\n        РАСПРЕДЕЛЕНИЕ КРАТНОСТЕЙ ОШИБОК n=" << Int(m.stat1WordLength) << kEol;
        WriteMultiplicityTable(text, m, LastMultiplicityIndex(m, kBeforeDecoding), kBeforeDecoding,
                               boxForm);
    } else {
        WriteCodeSection(o, m);
        o << "\n ОБЪЕМ ИСПЫТАНИЙ NB=" << Int(m.wordCount) << "." << kEol;
        o << "\n     РАСПРЕДЕЛЕНИЕ КРАТНОСТЕЙ ОШИБОК ДО ДЕКОДИРОВАНИЯ: n=" << Int(m.codeN) << ";"
          << kEol;
        WriteMultiplicityTable(text, m, LastMultiplicityIndex(m, kBeforeDecoding), kBeforeDecoding,
                               boxForm);
        o << "\n     РАСПРЕДЕЛЕНИЕ КРАТНОСТЕЙ ОШИБОК ПОСЛЕ ДЕКОДИРОВАНИЯ: k=" << Int(m.codeK) << ";"
          << kEol;
        WriteMultiplicityTable(text, m, LastMultiplicityIndex(m, kAfterDecoding), kAfterDecoding,
                               boxForm);
        if (CountsDetectedWords(m.codeType))
            o << "\n Вероятность обнаружения Робн=" << Real(m.wordErrProbAfter, 8, 7) << ";"
              << kEol;
    }

    o << "\n Эквивалентная вер-ть ошибки  Рвх=" << Real(m.pErrIn, 10, 9) << "-+"
      << Real(m.pErrInConf, 10, 9) << ";" << kEol;
    o << " Эквивалентная вер-ть ошибки Рвых=" << Real(m.pErrOut, 10, 9) << "-+"
      << Real(m.pErrOutConf, 10, 9) << ";" << kEol;
    o << " Пропускная способность канала без УЗО: Ск/Смах=" << Real(CapacityWithoutCoder(m), 7, 6)
      << ";" << kEol;
    o << " Пропускная способность канала   c УЗО: Сs/Смах=" << Real(m.rateWithCoder, 7, 6) << "."
      << kEol;

    std::string offending;
    auto bytes = Utf8ToCp1251(text, &offending);
    if (!bytes && failure)
        *failure = UnwritableText("тексте отчёта", offending);
    return bytes;
}

std::string ResultsFileName(const std::string &chosen) {
    // ".rez" must start at the second character or later; it always ends inside the name, so the
    // upper bound of the rule holds by itself. The match is ASCII, so byte and character
    // positions agree on whether it starts after the first character.
    if (chosen.size() >= 5 && chosen.find(".rez", 1) != std::string::npos)
        return chosen;
    return chosen + ".rez";
}

bool SaveTestReport(const ModelState &m, const std::string &path, bool boxForm,
                    Notifier &notifier) {
    std::string failure;
    const auto bytes = WriteTestReport(m, boxForm, &failure);
    if (!bytes) {
        notifier.Error(failure);
        return false;
    }
    return WriteWholeFile(path, *bytes, notifier);
}

} // namespace spi
