#include "gui/windows/gui_client.h"

namespace Quorvane {

LONG_PTR CGUIClient::GUICLRequest(long, LONG_PTR, LONG_PTR)
{
    return 0;
}

} // namespace Quorvane
