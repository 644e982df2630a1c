#include "field_access.h"

#include "model/model_fields.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

namespace py = pybind11;

namespace spi::python {

namespace {

using Reader = std::function<py::object(const ModelState &)>;

template <class T> Reader Of(T ModelParameters::*field) {
    return [field](const ModelState &m) { return py::cast(m.*field); };
}

template <class T, std::size_t N>
void OfEach(std::map<std::string, Reader> &r, const char *name,
            std::array<T, N> ModelParameters::*field) {
    for (std::size_t i = 0; i < N; ++i)
        r[std::string(name) + "[" + std::to_string(i) + "]"] = [field, i](const ModelState &m) {
            return py::cast((m.*field)[i]);
        };
}

const std::map<std::string, Reader> &Readers() {
    static const std::map<std::string, Reader> readers = [] {
        std::map<std::string, Reader> r;
        r["probOne"] = Of(&ModelParameters::probOne);
        r["modMd"] = Of(&ModelParameters::modMd);
        r["contQ"] = Of(&ModelParameters::contQ);
        r["contHp"] = Of(&ModelParameters::contHp);
        r["contHc"] = Of(&ModelParameters::contHc);
        r["ruThreshold1"] = Of(&ModelParameters::ruThreshold1);
        r["ruThreshold2"] = Of(&ModelParameters::ruThreshold2);
        r["contM"] = Of(&ModelParameters::contM);
        r["demodDm"] = Of(&ModelParameters::demodDm);
        OfEach(r, "discParams", &ModelParameters::discParams);
        OfEach(r, "breakParams", &ModelParameters::breakParams);
        r["stat1WordLength"] = Of(&ModelParameters::stat1WordLength);
        r["wordCount"] = Of(&ModelParameters::wordCount);
        r["genPolyText"] = Of(&ModelParameters::genPolyText);
        r["innerPolyList"] = Of(&ModelParameters::innerPolyList);
        r["codeType"] = Of(&ModelParameters::codeType);
        r["codeN"] = Of(&ModelParameters::codeN);
        r["codeK"] = Of(&ModelParameters::codeK);
        r["convN0"] = Of(&ModelParameters::convN0);
        r["convK0"] = Of(&ModelParameters::convK0);
        r["codeT"] = Of(&ModelParameters::codeT);
        OfEach(r, "polyNumbers", &ModelParameters::polyNumbers);
        r["ilvA"] = Of(&ModelParameters::ilvA);
        r["ilvC"] = Of(&ModelParameters::ilvC);
        r["ilvL"] = Of(&ModelParameters::ilvL);
        r["ruCriterion"] = Of(&ModelParameters::ruCriterion);
        r["channelEntered"] = Of(&ModelParameters::channelEntered);
        return r;
    }();
    return readers;
}

// The value as it would be typed after --set NAME=: a real with the digits that read back to the
// same double, a whole number, or a text as it is.
std::string ValueText(const std::string &name, py::handle value) {
    if (py::isinstance<py::str>(value))
        return value.cast<std::string>();
    if (PyIndex_Check(value.ptr()))
        return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
    if (PyFloat_Check(value.ptr())) {
        const double x = value.cast<double>();
        if (!std::isfinite(x))
            throw py::value_error(name + ": " + std::string(py::str(value)) +
                                  " is not a finite number");
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", x);
        return buf;
    }
    throw py::value_error(name + ": a number or a text, not " +
                          std::string(py::str(py::type::of(value).attr("__name__"))));
}

} // namespace

std::vector<std::string> FieldNames() {
    return SettableFieldNames();
}

bool IsField(const std::string &name) {
    return Readers().count(name) != 0;
}

void CheckFieldReaders() {
    const auto names = SettableFieldNames();
    for (const auto &name : names)
        if (!IsField(name))
            throw std::logic_error("the field " + name + " has no reader in the Python module");
    if (names.size() != Readers().size())
        throw std::logic_error("the Python module reads fields the engine does not set by name");
}

py::object ReadField(const ModelState &m, const std::string &name) {
    const auto it = Readers().find(name);
    if (it == Readers().end())
        throw py::key_error(name);
    return it->second(m);
}

void WriteField(Session &s, const std::string &name, py::handle value) {
    if (!IsField(name))
        throw py::key_error(name);
    const std::string assignment = name + "=" + ValueText(name, value);
    // The value's own rules first, on a copy: the step itself takes the coder window's open
    // choices over before it reads the value.
    std::string why;
    if (!SetModelField(*std::make_unique<ModelState>(s.Model()), assignment, &why))
        throw py::value_error(why);
    s.Take([&] { return s.Steps().SetField(assignment); });
}

} // namespace spi::python
