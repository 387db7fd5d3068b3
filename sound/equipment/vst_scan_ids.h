// The scan dialog's resource and control ids (also read by the resource
// compiler).
#pragma once

#define IDD_VST_SCAN 20008
#define IDC_VST_TREE 1001
#define IDC_VST_SCAN 1002
#define IDC_VST_LOG 1003
#define IDC_VST_LOG_PATH 1004
