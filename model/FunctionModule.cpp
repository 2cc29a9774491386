#include "model/FunctionModule.h"

int reportedFunctionModule(int module) { return module >= 1 && module <= 9 ? module : 10000; }
