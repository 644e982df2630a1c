#include "report/test_report.h"
