#include "cli/field_setters.h"

#include "model/model_fields.h"

namespace spi::cli {

bool SetField(ModelState &m, const std::string &assignment, std::string *error) {
    return SetModelField(m, assignment, error);
}

std::vector<std::string> SettableFieldNames() {
    return spi::SettableFieldNames();
}

} // namespace spi::cli
