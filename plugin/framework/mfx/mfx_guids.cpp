// The one definition of every IID_ constant of the MFX host interfaces.
#include <unknwn.h>

#include <initguid.h>

#include "plugin/framework/mfx/mfx_host.h"
