// --set FIELD=VALUE: one parameter field of the model by its name; arrays indexed from 0. The
// fields and their rules are the engine's (model/model_fields.h), shared with the sweeps.
#pragma once

#include "model/model_state.h"

#include <string>
#include <vector>

namespace spi::cli {

// Sets the field; on an unknown field or a value that does not fit it, returns false and puts
// the reason in *error. The model is unchanged then.
bool SetField(ModelState &m, const std::string &assignment, std::string *error);

// The names --set accepts, for the usage text and the tests.
std::vector<std::string> SettableFieldNames();

} // namespace spi::cli
