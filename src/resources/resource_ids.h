// Resource and control ids. Read by windres as well as the compiler: keep to
// plain #defines.
#ifndef HOLMVARD_RESOURCE_IDS_H
#define HOLMVARD_RESOURCE_IDS_H

// Menus
#define IDR_TRAY_MENU 101

// Icons
#define IDI_NORMAL 102
#define IDI_ERROR_STATE 115

// Dialog templates
#define IDD_COMMAND_WINDOW 103
#define IDD_SMART_ERROR 104
#define IDD_SIMULATED_SMART_ERROR 112

// IDE/ATA parameter fields and their labels (alert dialogs, Drives page, off-line test)
#define IDC_MODEL 1001
#define IDC_SERIAL 1002
#define IDC_FIRMWARE 1003
#define IDC_GEOMETRY 1004
#define IDC_LBA_SECTORS 1005
#define IDC_CAPACITY 1006
#define IDC_PARAMETERS_GROUP 1015
#define IDC_MODEL_LABEL 1020
#define IDC_SERIAL_LABEL 1021
#define IDC_FIRMWARE_LABEL 1022
#define IDC_GEOMETRY_LABEL 1023
#define IDC_LBA_SECTORS_LABEL 1024
#define IDC_CAPACITY_LABEL 1025
#define IDC_SMART_WARNING 1029

// SMART error dialog (104)
#define IDC_ERROR_TIME 1008
#define IDC_ERROR_TIME_LABEL 1027
#define IDC_ERROR_STATUS_GROUP 1030
#define IDC_ACKNOWLEDGE 1031
#define IDC_ERROR_OK 1032
#define IDC_ERROR_CANCEL 1033
#define IDC_ERROR_HELP 1034

// Simulated SMART error dialog (112)
#define IDC_SIMULATED_TIME_LABEL 1010
#define IDC_SIMULATED_STATUS_GROUP 1035
#define IDC_SIMULATED_ACKNOWLEDGE 1036
#define IDC_SIMULATED_OK 1037
#define IDC_SIMULATED_CANCEL 1038
#define IDC_SIMULATED_HELP 1039
#define IDC_SIMULATED_ERROR_TIME 1106

// Tray menu commands
#define IDM_HELP 9
#define IDM_CLOSE 1000
#define IDM_PROPERTIES 40002

#endif
