// Ids of the history combo test program's dialog template.
#pragma once

#define IDD_HISTORY 410

// The combo boxes; 1012 is also the id whose keys the saved history uses.
#define IDC_HIST_TEXT 1012
#define IDC_HIST_SEQUENCE 1013
#define IDC_HIST_NUMBER 1014
#define IDC_HIST_KEEP 1015
#define IDC_HIST_LIST 1016
#define IDC_HIST_BIG 1017
#define IDC_HIST_PASS 1018

// What lies between them in the tab order.
#define IDC_HIST_BUTTON 1020
#define IDC_HIST_CHECK 1021
#define IDC_HIST_EDIT 1022
