// Ids of the extension's dialog template (peltar.rc); the template and the
// list carry the numbers extension_layer.h gives them.
#pragma once

#define IDD_PELTAR_CHOOSER 7100
#define IDC_PELTAR_LAYERS 7101
#define IDC_PELTAR_LABEL 7102
