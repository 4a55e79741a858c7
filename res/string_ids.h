// String-table ids of VdShared. The texts live in strings.rc; at run time
// every text is fetched from the host by the same id (LoadStringDBW).
// Plain #defines only: this file is read by the resource compiler as well.
#pragma once

// Height-dimension settings dialog: sample label shown in the section preview
#define IDS_HEIGHTDIM_SAMPLE_LABEL 1001

// Height-dimension settings dialog: section-view types in the "Typ kóty:" combo
#define IDS_HEIGHTDIM_TYPE_CSN 1002
#define IDS_HEIGHTDIM_TYPE_DIN_OPEN 1003
#define IDS_HEIGHTDIM_TYPE_DIN_ROUGH 1004
// Height-dimension settings dialog: a number outside its range (%g minimum, %g maximum)
#define IDS_MSG_HEIGHTDIM_RANGE 1036
#define IDS_MSG_HEIGHTDIM_VALUE_RANGE 1037

// HeightDim: insertion-point prompt and its keywords with their help texts
#define IDS_PROMPT_HEIGHTDIM_POINT 1005
#define IDS_KWD_EXISTING 1006
#define IDS_KWD_EXISTING_HELP 1007
#define IDS_KWD_NEW_BASE 1008
#define IDS_KWD_NEW_BASE_HELP 1009
#define IDS_KWD_TWO_LEVELS 1010
#define IDS_KWD_TWO_LEVELS_HELP 1011

// HeightDim and HeightDimSetBase: creating a base and asking for its level
#define IDS_PROMPT_BASE_POINT 1012
#define IDS_PROMPT_BASE_LEVEL 1013
#define IDS_PROMPT_PICK_EXISTING_HEIGHTDIM 1014

// HeightDimEdit: placement, leader-line points and selection
#define IDS_PROMPT_HEIGHTDIM_PLACE 1015
#define IDS_PROMPT_LEADER_FIRST_POINT 1016
#define IDS_PROMPT_LEADER_SECOND_POINT 1017
#define IDS_PROMPT_LEADER_PLACE 1018
#define IDS_PROMPT_SELECT_HEIGHTDIMS 1019

// HeightDimSetBase: picking the base to change, or re-basing existing marks
#define IDS_PROMPT_SELECT_BASE 1020
#define IDS_PROMPT_SELECT_DIMS_TO_REBASE 1021
#define IDS_PROMPT_SELECT_NEW_BASE 1022

// HeightDim, plan view: leader point of a plan-view mark
#define IDS_PROMPT_LEADER_POINT 1023

// Height-dimension builder: prompts of the attribute definitions
#define IDS_ATTR_HEIGHT 1024
#define IDS_ATTR_LABEL 1025
#define IDS_ATTR_ROUNDING 1026

// HeightDimSetBase: message when the drawing holds no base
#define IDS_MSG_NO_BASE_IN_DRAWING 1027

// HeightDim: base-point prompt with the two-level keyword (type 0)
#define IDS_PROMPT_BASE_POINT_KWD 1028

// Plan-view dialog "Vkládací bod:" combo: text insertion points, INSPT 0..6
#define IDS_INSPT_CENTER 1029
#define IDS_INSPT_TOP_LEFT 1030
#define IDS_INSPT_BOTTOM_LEFT 1031
#define IDS_INSPT_TOP_CENTER 1032
#define IDS_INSPT_BOTTOM_CENTER 1033
#define IDS_INSPT_TOP_RIGHT 1034
#define IDS_INSPT_BOTTOM_RIGHT 1035

// HeightDimEdit, HeightDimSetBase, HeightDimUpdate: how many marks were rebuilt
#define IDS_MSG_HEIGHTDIMS_CHANGED 1038

// HeightDim, "Existující": the picked mark measures from a base the drawing lacks
#define IDS_MSG_HEIGHTDIM_BASE_MISSING 1039

// DimArc (host interaction of DimArcEntry): picking the arc and limit points
#define IDS_PROMPT_DIMARC_SELECT_ARC 1500
#define IDS_PROMPT_DIMARC_LOCATION 1501
#define IDS_MSG_DIMARC_WRONG_PICK 1502
#define IDS_PROMPT_DIMARC_FIRST_LIMIT 1503
#define IDS_PROMPT_DIMARC_SECOND_LIMIT 1504
#define IDS_PROMPT_DIMARC_PART_START 1505
#define IDS_PROMPT_DIMARC_PART_END 1506

// DimConnect and DimDivide: prompts and messages
#define IDS_PROMPT_DIMCONNECT_SELECT 1510
#define IDS_MSG_DIM_INVALID_PICK 1511
#define IDS_MSG_DIM_CANNOT_JOIN 1512
#define IDS_PROMPT_DIMDIVIDE_FIRST_POINT 1513
#define IDS_PROMPT_DIMDIVIDE_NEXT_POINT 1514
#define IDS_PROMPT_DIMDIVIDE_SELECT 1515
#define IDS_MSG_DIMDIVIDE_NOT_PARALLEL 1516
#define IDS_MSG_DIM_CANNOT_SPLIT 1517
#define IDS_MSG_DIM_SPLIT_POINT_MAYBE_OUTSIDE 1518
#define IDS_MSG_DIM_SPLIT_POINT_OUTSIDE 1519

// DimAlign and DimUpdateUCS: prompts and the not-parallel message
#define IDS_PROMPT_DIMALIGN_SAMPLE 1520
#define IDS_PROMPT_DIMALIGN_SELECT 1521
#define IDS_MSG_DIMALIGN_NOT_PARALLEL 1522
#define IDS_PROMPT_DIMUCS_SELECT 1523

// DimArc: text format (length and radius) and error messages
#define IDS_FMT_DIMARC_LENGTH_RADIUS 1524
#define IDS_MSG_DIMARC_READ_ERROR 1526
#define IDS_MSG_DIMARC_LIMIT_AT_CENTER 1528
#define IDS_MSG_DIMARC_DRAW_ERROR 1529
#define IDS_MSG_DIMARC_LIMITS_MOVED 1530

// DimArcLength: result line, the three point prompts and the no-arc message
#define IDS_MSG_ARCLEN_RESULT 1531
#define IDS_PROMPT_ARCLEN_START 1532
#define IDS_PROMPT_ARCLEN_MIDDLE 1533
#define IDS_PROMPT_ARCLEN_END 1534
#define IDS_MSG_ARCLEN_NO_ARC 1535

// Commands not built yet: the line each writes
#define IDS_MSG_COMMAND_PENDING 7000

// Arrowhead combo: terminator names (same numbers as their icons)
#define IDS_ARROW_CLOSED_FILLED 5000
#define IDS_ARROW_CLOSED 5001
#define IDS_ARROW_NONE 5002
#define IDS_ARROW_DOT 5003
#define IDS_ARROW_CLOSED_BLANK 5004
#define IDS_ARROW_OBLIQUE 5005
#define IDS_ARROW_ARCHTICK 5006
#define IDS_ARROW_OPEN 5007
#define IDS_ARROW_ORIGIN 5008
#define IDS_ARROW_OPEN90 5009
#define IDS_ARROW_OPEN30 5010
#define IDS_ARROW_DOT_BLANK 5011
#define IDS_ARROW_DOT_SMALL 5012
#define IDS_ARROW_BOX_FILLED 5013
#define IDS_ARROW_BOX_BLANK 5014
#define IDS_ARROW_DATUM_FILLED 5015
#define IDS_ARROW_DATUM_BLANK 5016
#define IDS_ARROW_INTEGRAL 5017
#define IDS_ARROW_BY_STYLE 5020

// Colour combo, colour dialog and ColorExtFunction: colour names and items
#define IDS_COLOR_BYLAYER 6000
#define IDS_COLOR_BYBLOCK 6001
#define IDS_COLOR_RED 6002
#define IDS_COLOR_YELLOW 6003
#define IDS_COLOR_GREEN 6004
#define IDS_COLOR_CYAN 6005
#define IDS_COLOR_BLUE 6006
#define IDS_COLOR_MAGENTA 6007
#define IDS_COLOR_BLACK_WHITE 6008
#define IDS_COLOR_CHOOSE 6012
#define IDS_COLOR_MORE 6060
