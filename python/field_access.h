// The model's parameter fields by their names (model/model_fields.h: the names spi-sim's --set
// and the sweeps take), read and written from Python: m["contHp"], m["discParams[3]"] = 0.01.
#pragma once

#include "session.h"

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace spi::python {

// The names, in the engine's order.
std::vector<std::string> FieldNames();
bool IsField(const std::string &name);
// Throws unless every field the engine sets by name can be read here, and no other.
void CheckFieldReaders();

// A real field as float, a whole one as int, a text as str; KeyError for an unknown name.
pybind11::object ReadField(const ModelState &m, const std::string &name);
// As --set NAME=VALUE: KeyError for an unknown name, ValueError (naming the field) for a value
// that does not fit it, RefusedError when taking over the coder window's open choices is refused;
// the model is unchanged then.
void WriteField(Session &s, const std::string &name, pybind11::handle value);

} // namespace spi::python
