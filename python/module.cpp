// spi_workbench: the engine of the workstation for Python. A script takes the steps a user of the
// workstation takes (the model's fields by name, the coder window's choices, the channel and coder
// steps, "Стат 1" and "Стат2", sweeps, the initial-data file and the test report), with the same
// figures to the bit as spi-sim for the same seed.
#include "field_access.h"
#include "model/version.h"
#include "model_binding.h"
#include "run_binding.h"
#include "session.h"
#include "sweep_binding.h"

#include <pybind11/pybind11.h>

namespace py = pybind11;

PYBIND11_MODULE(spi_workbench, m) {
    m.doc() = "The data-transmission chain of spi-workbench: models, test runs, sweeps.";
    m.attr("__version__") = std::string(spi::kVersion);
    spi::python::CheckFieldReaders();
    py::register_exception<spi::python::Refused>(m, "RefusedError", PyExc_RuntimeError);
    spi::python::BindRunResult(m);
    spi::python::BindModel(m);
    spi::python::BindSweep(m);
}
