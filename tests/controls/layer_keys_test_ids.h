// Ids of the layer-key combo test program's dialog template.
#pragma once

#define IDD_LAYER_KEYS 500

#define IDC_LAYER_KEYS 1201
#define IDC_LAYER_NOTE 1202
