// Ids of the host program's own dialogs; plain #defines, read by the resource
// compiler as well. They lie apart from the module's ids, as a real host's do.
#pragma once

// The layer dialog (VdRcLayerDlg): the drawing's layers, one to add.
#define IDD_HOST_LAYERS 7000
#define IDC_HOST_LAYER_LIST 7001
#define IDC_HOST_LAYER_NEW_LABEL 7002
#define IDC_HOST_LAYER_NEW 7003
#define IDC_HOST_LAYER_ADD 7004

// The true-colour dialog (SetColorDialogTrueColor): red, green and blue.
#define IDD_HOST_TRUE_COLOUR 7010
#define IDC_HOST_RED_LABEL 7011
#define IDC_HOST_RED 7012
#define IDC_HOST_GREEN_LABEL 7013
#define IDC_HOST_GREEN 7014
#define IDC_HOST_BLUE_LABEL 7015
#define IDC_HOST_BLUE 7016
