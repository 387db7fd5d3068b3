// The interface ids the module's tests use, defined once for the program.
#include <unknwn.h>

#include <initguid.h>

#include "plugin/framework/plugin/qn3_request.h"
