// Ids of the controls test program's dialog templates.
#pragma once

#define IDD_COMBOS 400

#define IDC_COMBO_PLAIN 1101
#define IDC_COMBO_FIXED 1102
#define IDC_COMBO_EX 1103
