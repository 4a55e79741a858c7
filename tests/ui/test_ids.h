// Ids of the test program's dialog templates and of the test module's resources.
#pragma once

#define IDD_DRIVEN 200
#define IDD_EXCHANGE 210
// The same template id in the program and in the test module, with other titles.
#define IDD_WHICH_MODULE 300
#define IDD_MISSING 399
// The test module's icon: the id the real module uses for its own icon.
#define IDI_MODULE 100

#define IDC_HISTORY 1010
#define IDC_OWNERDRAWN_LIST 1012
#define IDC_SWATCH 1020
#define IDC_CHECK 1030
#define IDC_EDIT 1031
#define IDC_SETTINGS 1006
