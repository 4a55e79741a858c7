// Ids of the module's dialog templates, their controls and its pictures.
// Plain #defines only: this file is read by the resource compiler as well.
// A label carries the id of the control it names minus one where the dialog
// code reaches the label (to hide or disable it together with its control).
#pragma once

// Dialog templates
#define IDD_COLOR 101                // "Vyberte barvu": colour by index
#define IDD_BACKGROUND_MASK 102      // "Nastavení pozadí": background mask of texts
#define IDD_HEIGHTDIM_SETTINGS 1000  // "Nastavení parametrů výškových kót"
#define IDD_HEIGHTDIM_EDIT 1001      // "Editace výškových kót"
#define IDD_HEIGHTDIM_PLAN 1002      // "Půdorysná výšková kóta"
#define IDD_ARC_PART_LENGTH 1003     // "Délka části oblouku"

// Pictures
#define IDI_MODULE 100            // the module's window icon
#define IDB_BOUNDARY_MARKS 1001   // six boundary marks of the ČSN height mark, 45 x 32 each
// Dimension terminators; each icon has the number of its name in the string table.
#define IDI_ARROW_CLOSED_FILLED 5000
#define IDI_ARROW_CLOSED 5001
#define IDI_ARROW_NONE 5002       // also the picture of "Podle Stylu"
#define IDI_ARROW_DOT 5003
#define IDI_ARROW_CLOSED_BLANK 5004
#define IDI_ARROW_OBLIQUE 5005
#define IDI_ARROW_ARCHTICK 5006
#define IDI_ARROW_OPEN 5007
#define IDI_ARROW_ORIGIN 5008
#define IDI_ARROW_OPEN90 5009
#define IDI_ARROW_OPEN30 5010
#define IDI_ARROW_DOT_BLANK 5011
#define IDI_ARROW_DOT_SMALL 5012
#define IDI_ARROW_BOX_FILLED 5013
#define IDI_ARROW_BOX_BLANK 5014
#define IDI_ARROW_DATUM_FILLED 5015
#define IDI_ARROW_DATUM_BLANK 5016
#define IDI_ARROW_INTEGRAL 5017
#define IDI_ARROW_BY_STYLE IDI_ARROW_NONE

// Buttons shared by the dialogs: IDOK (1), IDCANCEL (2) and IDHELP (9) of <windows.h>.

// IDD_COLOR: swatches are owner-drawn buttons
#define IDC_COLOR_BYLAYER 109       // "Podle &Hladiny"
#define IDC_COLOR_BYBLOCK 110       // "Podle &Bloku"
#define IDC_COLOR_NAME 123          // edit: the chosen colour's name or number
#define IDC_COLOR_INDEX_1 1002      // standard colours 1..9
#define IDC_COLOR_INDEX_2 1003
#define IDC_COLOR_INDEX_3 1004
#define IDC_COLOR_INDEX_4 1005
#define IDC_COLOR_INDEX_5 1006
#define IDC_COLOR_INDEX_6 1007
#define IDC_COLOR_INDEX_7 1008
#define IDC_COLOR_INDEX_8 1009
#define IDC_COLOR_INDEX_9 1010
#define IDC_COLOR_GREY_250 1011     // greys 250..255
#define IDC_COLOR_GREY_251 1012
#define IDC_COLOR_GREY_252 1013
#define IDC_COLOR_GREY_253 1014
#define IDC_COLOR_GREY_254 1015
#define IDC_COLOR_GREY_255 1016
#define IDC_COLOR_CURRENT 1023      // swatch of the current colour
#define IDC_COLOR_GRID_HALF 1025    // 5 x 24 half-saturated colours
#define IDC_COLOR_GRID_FULL 1026    // 5 x 24 full colours

// IDD_BACKGROUND_MASK
#define IDC_MASK_GROUP 104          // group "Barva výplně pozadí"
#define IDC_MASK_USE_DRAWING 106    // check box: the drawing's background colour
#define IDC_MASK_COLOR_LABEL 107
#define IDC_MASK_COLOR 108          // colour combo

// IDD_HEIGHTDIM_SETTINGS, group "Řez": the record of the current section type
#define IDC_HDSET_SECTION_GROUP 1067
#define IDC_HDSET_TYPE_LABEL 1001
#define IDC_HDSET_TYPE 1002                  // ČSN, DIN otevřená, DIN hrubá
#define IDC_HDSET_LAYER_LABEL 1003
#define IDC_HDSET_LAYER_BUTTON 109           // layer dialog; shown instead of the label for product 2
#define IDC_HDSET_LAYER 1004                 // layer-key combo
#define IDC_HDSET_LAYER_PLAIN 1070           // plain layer combo for product 2
#define IDC_HDSET_COLOR_LABEL 1005
#define IDC_HDSET_COLOR 1006
#define IDC_HDSET_ROUNDING_LABEL 1007
#define IDC_HDSET_ROUNDING 1008
#define IDC_HDSET_ROUNDING_MARK 1009         // check box "Značka"
#define IDC_HDSET_VERT_LENGTH_LABEL 1010
#define IDC_HDSET_VERT_LENGTH 1011
#define IDC_HDSET_HORZ_LENGTH_LABEL 1012
#define IDC_HDSET_HORZ_LENGTH 1013
#define IDC_HDSET_MARK_TYPE_LABEL 1014
#define IDC_HDSET_MARK_TYPE 1015             // image combo of the six boundary marks
#define IDC_HDSET_MARK_SIZE_LABEL 1016
#define IDC_HDSET_MARK_WIDTH 1017
#define IDC_HDSET_MARK_TIMES 1018            // the " x" between width and height
#define IDC_HDSET_MARK_HEIGHT 1019
#define IDC_HDSET_UNDERLINE_LABEL 1032
#define IDC_HDSET_UNDERLINE 1033             // check box: draw the extension line
#define IDC_HDSET_UNDERLINE_LENGTH_LABEL 1034
#define IDC_HDSET_UNDERLINE_LENGTH 1035
#define IDC_HDSET_TEXT_STYLE_LABEL 1020
#define IDC_HDSET_TEXT_STYLE 1021
#define IDC_HDSET_TEXT_COLOR_LABEL 1022
#define IDC_HDSET_TEXT_COLOR 1023
#define IDC_HDSET_TEXT_HEIGHT_LABEL 1024
#define IDC_HDSET_TEXT_HEIGHT 1025
#define IDC_HDSET_TEXT_WIDTH_LABEL 1026
#define IDC_HDSET_TEXT_WIDTH 1027
#define IDC_HDSET_TEXT_OFFSET_LABEL 1028
#define IDC_HDSET_TEXT_OFFSET 1029
#define IDC_HDSET_DELIMITER_LABEL 1030
#define IDC_HDSET_DELIMITER 1031
#define IDC_HDSET_PLUS_SIGN 1037             // check box: "+" on positive values
#define IDC_HDSET_PLUS_MINUS_ZERO 1039       // check box: "±" on zero
#define IDC_HDSET_MASK 1040                  // check box: background mask
#define IDC_HDSET_MASK_SETTINGS 1041         // "…": background mask dialog
#define IDC_HDSET_SECTION_PREVIEW 1065

// IDD_HEIGHTDIM_SETTINGS, group "Půdorys": the plan-view record
#define IDC_HDSET_PLAN_GROUP 1068
#define IDC_HDSET_PLAN_LAYER_LABEL 1042
#define IDC_HDSET_PLAN_LAYER_BUTTON 1069
#define IDC_HDSET_PLAN_LAYER 1043
#define IDC_HDSET_PLAN_LAYER_PLAIN 1071
#define IDC_HDSET_FRAME_COLOR_LABEL 1044
#define IDC_HDSET_FRAME_COLOR 1045
#define IDC_HDSET_FRAME_SIZE_LABEL 1046
#define IDC_HDSET_FRAME_WIDTH 1047
#define IDC_HDSET_FRAME_TIMES 1048
#define IDC_HDSET_FRAME_HEIGHT 1049
#define IDC_HDSET_PLAN_ARROW_LABEL 1050
#define IDC_HDSET_PLAN_ARROW 1051            // terminator combo
#define IDC_HDSET_PLAN_ARROW_SIZE_LABEL 1052
#define IDC_HDSET_PLAN_ARROW_SIZE 1053
#define IDC_HDSET_PLAN_TEXT_STYLE_LABEL 1054
#define IDC_HDSET_PLAN_TEXT_STYLE 1055
#define IDC_HDSET_PLAN_TEXT_COLOR_LABEL 1056
#define IDC_HDSET_PLAN_TEXT_COLOR 1057
#define IDC_HDSET_PLAN_TEXT_HEIGHT_LABEL 1058
#define IDC_HDSET_PLAN_TEXT_HEIGHT 1059
#define IDC_HDSET_PLAN_TEXT_WIDTH_LABEL 1060
#define IDC_HDSET_PLAN_TEXT_WIDTH 1061
#define IDC_HDSET_PLAN_MASK 1062
#define IDC_HDSET_PLAN_MASK_SETTINGS 1063
#define IDC_HDSET_PLAN_PREVIEW 1066

// IDD_HEIGHTDIM_EDIT: what the edit command does with the chosen marks
#define IDC_HDEDIT_DRAW_LEADER 1002
#define IDC_HDEDIT_MOVE_TO_LEADER 1003
#define IDC_HDEDIT_MIRROR 1004
#define IDC_HDEDIT_APPLY_SETTINGS 1005
#define IDC_HDEDIT_SETTINGS 1006             // "Nastavení...": also the dialog's result code

// IDD_HEIGHTDIM_PLAN
#define IDC_HDPLAN_VALUE_LABEL 1003
#define IDC_HDPLAN_VALUE 1004                // value combo with history
#define IDC_HDPLAN_REPEAT 1005               // check box "Opakování funkce"
#define IDC_HDPLAN_INSPT_LABEL 1006
#define IDC_HDPLAN_INSPT 1007                // text insertion point

// IDD_ARC_PART_LENGTH
#define IDC_ARCLEN_LABEL 1001
#define IDC_ARCLEN_VALUE 1002                // read-only edit with the length
