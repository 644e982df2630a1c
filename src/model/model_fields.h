// The parameter fields reached by their model names: what spi-sim's --set, the sweeps and any
// other front end that names a field share, so that a name and the numbers it takes are the same
// wherever a field is named.
#pragma once

#include "model/model_state.h"

#include <string>
#include <vector>

namespace spi {

// Sets a parameter field by its model name, arrays indexed from 0 ("contHp", "discParams[3]",
// "ilvL", "genPolyText", ...). Numbers must fit the field; false with the reason otherwise, and the
// model is unchanged.
bool SetModelField(ModelState &m, const std::string &assignment, std::string *error);
std::vector<std::string> SettableFieldNames();
// The fields a sweep can vary (the numeric parameter fields).
std::vector<std::string> SweepableFieldNames();
// The fields of the continuous-channel dialog, which a sweep sets through that dialog.
bool IsContinuousChannelField(const std::string &field);

} // namespace spi
