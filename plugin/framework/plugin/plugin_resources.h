// Resource ids of the framework's own dialogs; a plug-in's resources keep
// clear of them.
#pragma once

#define IDD_WARNING 5020
#define IDC_WARNING_TEXT 5021
#define IDC_WARNING_SUPPRESS 5022
