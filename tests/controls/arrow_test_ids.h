// Ids of the terminator combo test program's dialog template.
#pragma once

#define IDD_ARROW_TEST 410

#define IDC_ARROW_TEST_COMBO 1201
