// Ids of the colour controls test program's own dialog templates.
#pragma once

#define IDD_COLOUR_SWATCHES 410  // a single swatch and a grid on their own
#define IDD_COLOUR_COMBO 411     // a colour combo with room below for its list

#define IDC_COLOUR_SINGLE 1201
#define IDC_COLOUR_GRID 1202
#define IDC_COLOUR_COMBO 1203
