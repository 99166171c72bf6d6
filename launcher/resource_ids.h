#pragma once

// Identifiers shared by launcher.rc and the code. Only #define lines: the resource compiler reads
// this file too.

#define IDD_MAIN 101
#define IDD_SETTINGS 105
#define IDB_TITLE 112
#define IDI_APP 113

// Main dialog
#define IDC_START_GAME 1000
#define IDC_SETTINGS 1001
#define IDC_EXIT 1002

// Settings dialog: lists
#define IDC_DISPLAY_MODE 1004
#define IDC_FREQUENCY 1005
#define IDC_BITRATE 1006
#define IDC_ANTIALIASING 1034

// Settings dialog: check boxes
#define IDC_RADIAL 1007
#define IDC_DXT5 1008
#define IDC_BLOOM 1009
#define IDC_JOYSTICK 1017
#define IDC_INVERT 1018
#define IDC_TAILS 1020
#define IDC_LOWTEX 1021
#define IDC_NAV_LIGHTS 1022
#define IDC_GIBS 1024
#define IDC_ROCKET 1025
#define IDC_LENS 1026
#define IDC_SMOKE 1027
#define IDC_SPARKS 1028
#define IDC_SIMPLE_CONTROLS 1035

// Settings dialog: presets
#define IDC_PRESET_NORMAL 1029
#define IDC_PRESET_GOOD 1032
#define IDC_PRESET_EXCELLENT 1033
