// The interface ids the program uses, defined once here.
#include <initguid.h>

#include "app/program_guids.h"
#include "plugin/framework/plugin/drummer_sink.h"
#include "plugin/framework/plugin/qn3_request.h"
