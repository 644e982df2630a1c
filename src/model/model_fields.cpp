#include "model/model_fields.h"

#include "model/text_input.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string_view>

namespace spi {

namespace {

bool ParseReal(const std::string &s, double &out) {
    const auto x = ParseFiniteReal(s);
    if (x)
        out = *x;
    return x.has_value();
}

// A field set by name takes a '+' before its whole number too, as it does before a real one.
bool ParseWhole(const std::string &s, long long lo, long long hi, long long &out) {
    const std::string_view digits = !s.empty() && s[0] == '+' ? std::string_view(s).substr(1) : s;
    const auto x = ParseWholeNumber<long long>(digits);
    if (x)
        out = *x;
    return x && *x >= lo && *x <= hi;
}

using Setter = std::function<bool(ModelState &, const std::string &, std::string *)>;

struct Field {
    Setter set;
    bool numeric = true;
};

Field Real(double ModelParameters::*field) {
    return {[field](ModelState &m, const std::string &v, std::string *err) {
        double x = 0;
        if (!ParseReal(v, x)) {
            *err = "'" + v + "' is not a finite real number";
            return false;
        }
        m.*field = x;
        return true;
    }};
}

template <class T> Field Whole(T ModelParameters::*field) {
    return {[field](ModelState &m, const std::string &v, std::string *err) {
        long long x = 0;
        const long long lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
        if (!ParseWhole(v, lo, hi, x)) {
            *err = "'" + v + "' is not a whole number in " + std::to_string(lo) + ".." +
                   std::to_string(hi);
            return false;
        }
        m.*field = static_cast<T>(x);
        return true;
    }};
}

template <std::size_t N>
Field RealAt(std::array<double, N> ModelParameters::*field, std::size_t i) {
    return {[field, i](ModelState &m, const std::string &v, std::string *err) {
        double x = 0;
        if (!ParseReal(v, x)) {
            *err = "'" + v + "' is not a finite real number";
            return false;
        }
        (m.*field)[i] = x;
        return true;
    }};
}

Field Text(std::string ModelParameters::*field, std::size_t maxLength) {
    return {[field, maxLength](ModelState &m, const std::string &v, std::string *err) {
                if (maxLength && v.size() > maxLength) {
                    *err = "text longer than " + std::to_string(maxLength) + " characters";
                    return false;
                }
                m.*field = v;
                return true;
            },
            false};
}

const std::map<std::string, Field> &Registry() {
    static const std::map<std::string, Field> registry = [] {
        std::map<std::string, Field> r;
        r["probOne"] = Real(&ModelState::probOne);
        r["modMd"] = Real(&ModelState::modMd);
        r["contQ"] = Real(&ModelState::contQ);
        r["contHp"] = Real(&ModelState::contHp);
        r["contHc"] = Real(&ModelState::contHc);
        r["ruThreshold1"] = Real(&ModelState::ruThreshold1);
        r["ruThreshold2"] = Real(&ModelState::ruThreshold2);
        r["contM"] = Whole(&ModelState::contM);
        r["demodDm"] = Whole(&ModelState::demodDm);
        for (std::size_t i = 0; i < 15; ++i)
            r["discParams[" + std::to_string(i) + "]"] = RealAt(&ModelState::discParams, i);
        for (std::size_t i = 0; i < 8; ++i)
            r["breakParams[" + std::to_string(i) + "]"] = RealAt(&ModelState::breakParams, i);
        r["stat1WordLength"] = Whole(&ModelState::stat1WordLength);
        r["wordCount"] = Whole(&ModelState::wordCount);
        r["genPolyText"] = Text(&ModelState::genPolyText, 0);
        // The inner list is a counted string of 30 characters in the model and its file.
        r["innerPolyList"] = Text(&ModelState::innerPolyList, 30);
        r["codeType"] = Whole(&ModelState::codeType);
        r["codeN"] = Whole(&ModelState::codeN);
        r["codeK"] = Whole(&ModelState::codeK);
        r["convN0"] = Whole(&ModelState::convN0);
        r["convK0"] = Whole(&ModelState::convK0);
        r["codeT"] = Whole(&ModelState::codeT);
        for (std::size_t i = 0; i < 8; ++i)
            r["polyNumbers[" + std::to_string(i) + "]"] = {
                [i](ModelState &m, const std::string &v, std::string *err) {
                    long long x = 0;
                    if (!ParseWhole(v, 0, 255, x)) {
                        *err = "'" + v + "' is not a whole number in 0..255";
                        return false;
                    }
                    m.polyNumbers[i] = static_cast<std::uint8_t>(x);
                    return true;
                }};
        r["ilvA"] = Whole(&ModelState::ilvA);
        r["ilvC"] = Whole(&ModelState::ilvC);
        r["ilvL"] = Whole(&ModelState::ilvL);
        r["ruCriterion"] = Whole(&ModelState::ruCriterion);
        r["channelEntered"] = Whole(&ModelState::channelEntered);
        return r;
    }();
    return registry;
}

} // namespace

bool SetModelField(ModelState &m, const std::string &assignment, std::string *error) {
    const auto eq = assignment.find('=');
    const std::string name = assignment.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : assignment.substr(eq + 1);
    const auto &reg = Registry();
    const auto it = reg.find(name);
    if (it == reg.end()) {
        *error = "unknown field '" + name + "'";
        return false;
    }
    std::string why;
    if (!it->second.set(m, value, &why)) {
        *error = name + ": " + why;
        return false;
    }
    return true;
}

std::vector<std::string> SettableFieldNames() {
    std::vector<std::string> names;
    for (const auto &entry : Registry())
        names.push_back(entry.first);
    return names;
}

std::vector<std::string> SweepableFieldNames() {
    std::vector<std::string> names;
    for (const auto &[name, field] : Registry())
        if (field.numeric)
            names.push_back(name);
    return names;
}

bool IsContinuousChannelField(const std::string &field) {
    return field == "contHp" || field == "contHc" || field == "contM" || field == "contQ" ||
           field == "modMd" || field == "demodDm";
}

} // namespace spi
