// Resource and control ids of the settings dialog and the About box, shared
// by the resource script and the code.
#pragma once

#define IDD_SETTINGS 5000
#define IDD_ABOUT 5002

// The pictures' ids, written with the pictures (make_images.py).
#include "images.h"

#define IDC_CLOSE 5002
#define IDC_ABOUT 5008
#define IDC_SPEED 5010
#define IDC_LEFT 5086
#define IDC_RIGHT 5087
#define IDC_UP 5088
#define IDC_DOWN 5089
#define IDC_NARROWER 5090
#define IDC_SHADOW 5091
#define IDC_SHADOW_SPIN 5092
#define IDC_TEXT_OPACITY 5093
#define IDC_FONT 5094
#define IDC_TEXT_COLOR 5095
#define IDC_BACK_COLOR 5096
#define IDC_TEXT_OPACITY_SPIN 5097
#define IDC_WIDER 5098
#define IDC_BACK_OPACITY 5099
#define IDC_BACK_OPACITY_SPIN 5100
#define IDC_FONT_SMALLER 5101
#define IDC_FONT_LARGER 5102
#define IDC_CANCEL 5103
#define IDC_HOTKEY 5105
#define IDC_ADD_FILE 5107
#define IDC_REPEAT 5108
#define IDC_REPEAT_SPIN 5109
#define IDC_AUTO_UPDATE 5110
#define IDC_AUTO_UPDATE_SPIN 5111
#define IDC_TOP_LEFT 5112
#define IDC_START_STOP 5113
#define IDC_BOTTOM_LEFT 5115
#define IDC_TOP_RIGHT 5116
#define IDC_BOTTOM_RIGHT 5117
#define IDC_INTERLACE 5118
#define IDC_DATE 5119
#define IDC_TITLE 5120
#define IDC_DESCRIPTION 5121
#define IDC_SOURCE_STRINGS 5122
#define IDC_SOURCE_FILES 5123
#define IDC_SOURCE_RSS 5124
#define IDC_TIME 5125
#define IDC_LATEST_NEWS 5126
#define IDC_SPEED_TEXT 5127
#define IDC_URLS 5163
#define IDC_FILES 5164
#define IDC_STRINGS 5165
