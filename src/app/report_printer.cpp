#include "app/report_printer.h"
