// Resource ids of the toolkit's own resources and of the dialog items the
// options dialog base draws; a plug-in's resources keep clear of them.
#pragma once

#define IDB_OPTIONS_SAVE 2102
#define IDB_OPTIONS_DELETE 2103
#define IDC_OPTIONS_MAP_NAME 5006
#define IDC_OPTIONS_SAVE 5007
#define IDC_OPTIONS_DELETE 5008
