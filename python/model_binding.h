// spi.Model: one model of the chain and the steps a user of the workstation takes on it.
#pragma once

#include <pybind11/pybind11.h>

namespace spi::python {

void BindModel(pybind11::module_ &m);

} // namespace spi::python
