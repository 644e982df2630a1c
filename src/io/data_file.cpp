#include "io/data_file.h"

#include "coding/code_setup.h"
#include "io/codepage1251.h"
#include "io/safe_file.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <string_view>

namespace spi {
namespace {

// Offsets of the record.
constexpr std::size_t kProbOne = 0;
constexpr std::size_t kModMd = 8;
constexpr std::size_t kContQ = 16;
constexpr std::size_t kContHp = 24;
constexpr std::size_t kContHc = 32;
constexpr std::size_t kRuThreshold1 = 40;
constexpr std::size_t kRuThreshold2 = 48;
constexpr std::size_t kContM = 56;
constexpr std::size_t kDemodDm = 60;
constexpr std::size_t kDiscParams = 64;
constexpr std::size_t kBreakParams = 184;
constexpr std::size_t kGenPolyText = 249;
constexpr std::size_t kGenPolyArea = 200;
constexpr std::size_t kInnerPolyList = 449;
constexpr std::size_t kInnerPolyCapacity = 30;
constexpr std::size_t kCodeType = 480;
constexpr std::size_t kCodeN = 484;
constexpr std::size_t kCodeK = 488;
constexpr std::size_t kConvN0 = 492;
constexpr std::size_t kConvK0 = 496;
constexpr std::size_t kGenPolyTermCount = 500;
constexpr std::size_t kCodeT = 504;
constexpr std::size_t kPolyNumbers = 508;
constexpr std::size_t kIlvA = 516;
constexpr std::size_t kIlvC = 520;
constexpr std::size_t kIlvL = 524;
constexpr std::size_t kRuCriterion = 528;
constexpr std::size_t kSignature = 532;

constexpr double kSignatureValue = 123123.0;
constexpr char kTextEnd = '~';
// The "~" must still fall inside the text area.
constexpr std::size_t kMaxGenPolyText = kGenPolyArea - 1;

// Bytes are composed one by one so that the file is little-endian whatever the host is.
void PutU64(DataRecord &r, std::size_t at, std::uint64_t v) {
    for (std::size_t i = 0; i < 8; ++i)
        r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutU32(DataRecord &r, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
        r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutU16(DataRecord &r, std::size_t at, std::uint16_t v) {
    r[at] = static_cast<std::uint8_t>(v);
    r[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutDouble(DataRecord &r, std::size_t at, double v) {
    PutU64(r, at, std::bit_cast<std::uint64_t>(v));
}
void PutInt32(DataRecord &r, std::size_t at, std::int32_t v) {
    PutU32(r, at, static_cast<std::uint32_t>(v));
}

std::uint64_t GetU64(const DataRecord &r, std::size_t at) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < 8; ++i)
        v |= static_cast<std::uint64_t>(r[at + i]) << (8 * i);
    return v;
}
std::uint32_t GetU32(const DataRecord &r, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(r[at + i]) << (8 * i);
    return v;
}
std::uint16_t GetU16(const DataRecord &r, std::size_t at) {
    return static_cast<std::uint16_t>(r[at] | (r[at + 1] << 8));
}
double GetDouble(const DataRecord &r, std::size_t at) {
    return std::bit_cast<double>(GetU64(r, at));
}
std::int32_t GetInt32(const DataRecord &r, std::size_t at) {
    return static_cast<std::int32_t>(GetU32(r, at));
}

std::string Quoted(const std::string &path) {
    return "«" + path + "»";
}

// Utf8ToCp1251 reports a character that 1251 lacks as the character itself and malformed UTF-8
// as the single byte where decoding failed.
std::string EncodingFailure(const char *where, const std::string &offending) {
    if (offending.size() > 1)
        return std::string("Символ «") + offending + "» в " + where +
               " нельзя записать в кодовой странице 1251.";
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X",
                  offending.empty() ? 0u : static_cast<unsigned char>(offending[0]));
    return std::string("В ") + where + " встретился байт " + hex +
           ", не образующий символа UTF-8; записать текст нельзя.";
}

// What the file holds, decoded before anything in the model is touched.
struct DecodedRecord {
    double probOne, modMd, contQ, contHp, contHc, ruThreshold1, ruThreshold2;
    std::int32_t contM, demodDm;
    std::array<double, 15> discParams;
    std::array<double, 8> breakParams;
    std::string genPolyText, innerPolyList;
    std::uint16_t codeType;
    std::int32_t codeN, codeK, convN0, convK0, genPolyTermCount, codeT;
    std::array<std::uint8_t, 8> polyNumbers;
    std::int32_t ilvA, ilvC, ilvL;
    std::int16_t ruCriterion;
};

DecodedRecord DecodeNumbers(const DataRecord &r) {
    DecodedRecord d{};
    d.probOne = GetDouble(r, kProbOne);
    d.modMd = GetDouble(r, kModMd);
    d.contQ = GetDouble(r, kContQ);
    d.contHp = GetDouble(r, kContHp);
    d.contHc = GetDouble(r, kContHc);
    d.ruThreshold1 = GetDouble(r, kRuThreshold1);
    d.ruThreshold2 = GetDouble(r, kRuThreshold2);
    d.contM = GetInt32(r, kContM);
    d.demodDm = GetInt32(r, kDemodDm);
    for (std::size_t i = 0; i < d.discParams.size(); ++i)
        d.discParams[i] = GetDouble(r, kDiscParams + 8 * i);
    for (std::size_t i = 0; i < d.breakParams.size(); ++i)
        d.breakParams[i] = GetDouble(r, kBreakParams + 8 * i);
    d.codeType = GetU16(r, kCodeType);
    d.codeN = GetInt32(r, kCodeN);
    d.codeK = GetInt32(r, kCodeK);
    d.convN0 = GetInt32(r, kConvN0);
    d.convK0 = GetInt32(r, kConvK0);
    d.genPolyTermCount = GetInt32(r, kGenPolyTermCount);
    d.codeT = GetInt32(r, kCodeT);
    for (std::size_t i = 0; i < d.polyNumbers.size(); ++i)
        d.polyNumbers[i] = r[kPolyNumbers + i];
    d.ilvA = GetInt32(r, kIlvA);
    d.ilvC = GetInt32(r, kIlvC);
    d.ilvL = GetInt32(r, kIlvL);
    d.ruCriterion = static_cast<std::int16_t>(GetU16(r, kRuCriterion));
    return d;
}

} // namespace

std::string DataFileName(const std::string &chosen) {
    // ".dat" must start at the second character or later; it always ends inside the name, so the
    // upper bound of the rule holds by itself. The match is ASCII, so byte and character
    // positions agree on whether it starts after the first character.
    if (chosen.size() >= 5 && chosen.find(".dat", 1) != std::string::npos)
        return chosen;
    return chosen + ".dat";
}

std::optional<DataRecord> EncodeDataRecord(const ModelState &m, Notifier &notifier) {
    std::string offending;
    const auto genPoly = Utf8ToCp1251(m.genPolyText, &offending);
    if (!genPoly) {
        notifier.Error(EncodingFailure("тексте g(x)", offending));
        return std::nullopt;
    }
    if (genPoly->size() > kMaxGenPolyText) {
        notifier.Error("Текст g(x) длиннее 199 символов (" + std::to_string(genPoly->size()) +
                       "), в файл исходных данных его записать нельзя.");
        return std::nullopt;
    }
    // The reader stops at the first "~"; a text holding one would come back cut short.
    if (genPoly->find(kTextEnd) != std::string::npos) {
        notifier.Error("Текст g(x) содержит знак «~», которым в файле исходных данных отмечен "
                       "конец текста; записать его нельзя.");
        return std::nullopt;
    }
    const auto inner = Utf8ToCp1251(m.innerPolyList, &offending);
    if (!inner) {
        notifier.Error(EncodingFailure("списке полиномов внутреннего кода", offending));
        return std::nullopt;
    }
    if (inner->size() > kInnerPolyCapacity) {
        notifier.Error("Список полиномов внутреннего кода длиннее 30 символов (" +
                       std::to_string(inner->size()) +
                       "), в файл исходных данных его записать нельзя.");
        return std::nullopt;
    }

    DataRecord r{};
    PutDouble(r, kProbOne, m.probOne);
    PutDouble(r, kModMd, m.modMd);
    PutDouble(r, kContQ, m.contQ);
    PutDouble(r, kContHp, m.contHp);
    PutDouble(r, kContHc, m.contHc);
    PutDouble(r, kRuThreshold1, m.ruThreshold1);
    PutDouble(r, kRuThreshold2, m.ruThreshold2);
    PutInt32(r, kContM, m.contM);
    PutInt32(r, kDemodDm, m.demodDm);
    for (std::size_t i = 0; i < m.discParams.size(); ++i)
        PutDouble(r, kDiscParams + 8 * i, m.discParams[i]);
    for (std::size_t i = 0; i < m.breakParams.size(); ++i)
        PutDouble(r, kBreakParams + 8 * i, m.breakParams[i]);
    std::copy(genPoly->begin(), genPoly->end(), r.begin() + kGenPolyText);
    r[kGenPolyText + genPoly->size()] = static_cast<std::uint8_t>(kTextEnd);
    r[kInnerPolyList] = static_cast<std::uint8_t>(inner->size());
    std::copy(inner->begin(), inner->end(), r.begin() + kInnerPolyList + 1);
    PutU16(r, kCodeType, m.codeType);
    PutInt32(r, kCodeN, m.codeN);
    PutInt32(r, kCodeK, m.codeK);
    PutInt32(r, kConvN0, m.convN0);
    PutInt32(r, kConvK0, m.convK0);
    PutInt32(r, kGenPolyTermCount, m.genPolyTermCount);
    PutInt32(r, kCodeT, m.codeT);
    std::copy(m.polyNumbers.begin(), m.polyNumbers.end(), r.begin() + kPolyNumbers);
    PutInt32(r, kIlvA, m.ilvA);
    PutInt32(r, kIlvC, m.ilvC);
    PutInt32(r, kIlvL, m.ilvL);
    PutU16(r, kRuCriterion, static_cast<std::uint16_t>(m.ruCriterion));
    PutDouble(r, kSignature, kSignatureValue);
    return r;
}

bool SaveDataFile(const ModelState &m, const std::string &path, Notifier &notifier) {
    const auto record = EncodeDataRecord(m, notifier);
    if (!record)
        return false;
    return WriteWholeFile(
        path, std::string_view(reinterpret_cast<const char *>(record->data()), record->size()),
        notifier);
}

namespace {

// The first record of the file; nullopt (with the message) when the file cannot be opened or read
// or is shorter than a record.
std::optional<DataRecord> ReadFirstRecord(const std::string &path, Notifier &notifier) {
    DataRecord r{};
    errno = 0;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        notifier.Error("Не удалось открыть файл " + Quoted(path) + ": " +
                       FileErrorReason(errno != 0 ? errno : EIO) + ".");
        return std::nullopt;
    }
    std::size_t got = 0;
    int failure = 0;
    while (got < r.size()) {
        errno = 0;
        const std::size_t n = std::fread(r.data() + got, 1, r.size() - got, f);
        got += n;
        if (n == 0) {
            if (std::ferror(f))
                failure = errno != 0 ? errno : EIO;
            break;
        }
    }
    std::fclose(f);
    if (failure != 0) {
        notifier.Error("Не удалось прочитать файл " + Quoted(path) + ": " +
                       FileErrorReason(failure) + ".");
        return std::nullopt;
    }
    if (got < r.size()) {
        notifier.Error("Файл " + Quoted(path) + " короче записи исходных данных (прочитано байт: " +
                       std::to_string(got) + " из 540).");
        return std::nullopt;
    }
    return r;
}

// The texts of the record in UTF-8; false (with the message) when one holds the byte 0x98, which
// code page 1251 leaves without a character.
bool DecodeTexts(const DataRecord &r, const std::string &path, DecodedRecord &d,
                 Notifier &notifier) {
    // A file without a "~" in the area (never written by save) is read as its first 199 bytes,
    // so that saving what was read gives a valid file again.
    const auto areaBegin = r.begin() + kGenPolyText;
    const auto areaEnd = areaBegin + kGenPolyArea;
    auto textEnd = std::find(areaBegin, areaEnd, static_cast<std::uint8_t>(kTextEnd));
    if (textEnd == areaEnd)
        textEnd = areaBegin + kMaxGenPolyText;
    const auto genPoly = Cp1251ToUtf8(std::string(areaBegin, textEnd));
    if (!genPoly) {
        notifier.Error("Файл " + Quoted(path) +
                       " содержит в тексте g(x) байт 0x98, которого нет в кодовой странице 1251.");
        return false;
    }
    d.genPolyText = *genPoly;
    const std::size_t innerLength = std::min<std::size_t>(r[kInnerPolyList], kInnerPolyCapacity);
    const auto innerBegin = r.begin() + kInnerPolyList + 1;
    const auto inner = Cp1251ToUtf8(std::string(innerBegin, innerBegin + innerLength));
    if (!inner) {
        notifier.Error("Файл " + Quoted(path) +
                       " содержит в списке полиномов внутреннего кода байт 0x98, которого нет "
                       "в кодовой странице 1251.");
        return false;
    }
    d.innerPolyList = *inner;
    return true;
}

// Puts an accepted record into the model. The steps keep the command's order because the code
// set-up reads the code number just loaded and its results are then overwritten.
void ApplyRecord(ModelState &m, DecodedRecord &&d, Notifier &notifier) {
    m.probOne = d.probOne;
    m.modMd = d.modMd;
    m.contQ = d.contQ;
    m.contHp = d.contHp;
    m.contHc = d.contHc;
    m.ruThreshold1 = d.ruThreshold1;
    m.ruThreshold2 = d.ruThreshold2;
    m.contM = d.contM;
    m.demodDm = d.demodDm;
    m.discParams = d.discParams;
    m.breakParams = d.breakParams;
    m.ruCriterion = d.ruCriterion;
    m.codeType = d.codeType;
    m.polyNumbers = d.polyNumbers;
    if (IsNonBinaryCodeType(m.codeType))
        SetUpNonBinaryCode(m, m, notifier);
    m.codeN = d.codeN;
    m.codeK = d.codeK;
    m.convN0 = d.convN0;
    m.convK0 = d.convK0;
    m.genPolyTermCount = d.genPolyTermCount;
    m.codeT = d.codeT;
    m.ilvA = d.ilvA;
    m.ilvC = d.ilvC;
    m.ilvL = d.ilvL;
    m.innerPolyList = std::move(d.innerPolyList);
    m.genPolyText = std::move(d.genPolyText);
}

} // namespace

bool OpenDataFile(ModelState &m, const std::string &path, Notifier &notifier,
                  const DataFileHooks &hooks) {
    const std::optional<DataRecord> r = ReadFirstRecord(path, notifier);
    if (!r)
        return false;
    if (GetU64(*r, kSignature) != std::bit_cast<std::uint64_t>(kSignatureValue)) {
        notifier.Warning("Файл не принадлежит программе КВИР.");
        return false;
    }
    DecodedRecord d = DecodeNumbers(*r);
    if (!DecodeTexts(*r, path, d, notifier))
        return false;

    // From here on the file is accepted.
    if (hooks.clearCoderButtons)
        hooks.clearCoderButtons();
    ApplyRecord(m, std::move(d), notifier);
    notifier.Warning("Чтение завершено успешно.");
    if (hooks.afterLoad)
        hooks.afterLoad();
    m.channelEntered = 1;
    return true;
}

} // namespace spi
