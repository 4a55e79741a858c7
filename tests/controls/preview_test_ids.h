// Ids of the preview pane test program's dialog template.
#pragma once

#define IDD_PREVIEW_TEST 420

#define IDC_PREVIEW_PANE 1301
#define IDC_PREVIEW_EDIT 1302
