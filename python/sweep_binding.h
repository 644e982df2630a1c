// spi.sweep: the test at each value of one parameter (research/user_steps.h UserSteps::Sweep), and
// its points as objects, numpy columns, spi-sim's JSON record and CSV table.
#pragma once

#include <pybind11/pybind11.h>

namespace spi::python {

void BindSweep(pybind11::module_ &m);

} // namespace spi::python
