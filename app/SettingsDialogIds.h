// Resource and control ids of the settings dialogs, shared by the dialog
// procedures and the resource script (which can read nothing but macros).
#pragma once

#define IDD_ABOUT 111
#define IDI_KESTRAVA 114
#define IDD_VOLUME 115
#define IDD_ADVANCED 116
#define IDD_AUDIO_DEVICES 118

#define IDC_CUSTOMER_INFO 1001
#define IDC_ABOUT_ICON 1002
#define IDC_MIC_SLIDER 1003
#define IDC_SPEAKER_SLIDER 1004
#define IDC_AUTO_SWITCH_AUDIO 1008
#define IDC_AUTO_RUN_SKYPE 1009
#define IDC_RING_LIST 1011
#define IDC_SPEAKER_DEVICE 1015
#define IDC_MIC_DEVICE 1016
#define IDC_AUTO_SWITCH_SYSTEM_AUDIO 1019
