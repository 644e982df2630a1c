#include "cli/field_setters.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <map>

namespace spi::cli {

namespace {

bool ParseReal(const std::string &s, double &out) {
    if (s.empty()) return false;
    const char *b = s.data();
    const char *e = s.data() + s.size();
    if (*b == '+') ++b;
    const auto [end, ec] = std::from_chars(b, e, out, std::chars_format::general);
    return ec == std::errc() && end == e && std::isfinite(out);
}

bool ParseWhole(const std::string &s, long long lo, long long hi, long long &out) {
    if (s.empty()) return false;
    const char *b = s.data();
    const char *e = s.data() + s.size();
    if (*b == '+') ++b;
    const auto [end, ec] = std::from_chars(b, e, out);
    return ec == std::errc() && end == e && out >= lo && out <= hi;
}

using Setter = std::function<bool(ModelState &, const std::string &, std::string *)>;

Setter Real(double ModelState::*field) {
    return [field](ModelState &m, const std::string &v, std::string *err) {
        double x = 0;
        if (!ParseReal(v, x)) {
            *err = "'" + v + "' is not a finite real number";
            return false;
        }
        m.*field = x;
        return true;
    };
}

template <class T>
Setter Whole(T ModelState::*field) {
    return [field](ModelState &m, const std::string &v, std::string *err) {
        long long x = 0;
        const long long lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
        if (!ParseWhole(v, lo, hi, x)) {
            *err = "'" + v + "' is not a whole number in " + std::to_string(lo) + ".." + std::to_string(hi);
            return false;
        }
        m.*field = static_cast<T>(x);
        return true;
    };
}

template <std::size_t N>
Setter RealAt(std::array<double, N> ModelState::*field, std::size_t i) {
    return [field, i](ModelState &m, const std::string &v, std::string *err) {
        double x = 0;
        if (!ParseReal(v, x)) {
            *err = "'" + v + "' is not a finite real number";
            return false;
        }
        (m.*field)[i] = x;
        return true;
    };
}

Setter Text(std::string ModelState::*field, std::size_t maxLength) {
    return [field, maxLength](ModelState &m, const std::string &v, std::string *err) {
        if (maxLength && v.size() > maxLength) {
            *err = "text longer than " + std::to_string(maxLength) + " characters";
            return false;
        }
        m.*field = v;
        return true;
    };
}

const std::map<std::string, Setter> &Registry() {
    static const std::map<std::string, Setter> registry = [] {
        std::map<std::string, Setter> r;
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
            r["polyNumbers[" + std::to_string(i) + "]"] = [i](ModelState &m, const std::string &v, std::string *err) {
                long long x = 0;
                if (!ParseWhole(v, 0, 255, x)) {
                    *err = "'" + v + "' is not a whole number in 0..255";
                    return false;
                }
                m.polyNumbers[i] = static_cast<std::uint8_t>(x);
                return true;
            };
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

bool SetField(ModelState &m, const std::string &assignment, std::string *error) {
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
    if (!it->second(m, value, &why)) {
        *error = name + ": " + why;
        return false;
    }
    return true;
}

std::vector<std::string> SettableFieldNames() {
    std::vector<std::string> names;
    for (const auto &[name, setter] : Registry()) names.push_back(name);
    return names;
}

} // namespace spi::cli
