#include "report/ui/report_import.h"
