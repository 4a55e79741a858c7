// Ids of the test program's dialog templates.
#pragma once

#define IDD_DRIVEN 200
#define IDD_EXCHANGE 210

#define IDC_HISTORY 1010
#define IDC_OWNERDRAWN_LIST 1012
#define IDC_SWATCH 1020
#define IDC_CHECK 1030
#define IDC_EDIT 1031
#define IDC_SETTINGS 1006
