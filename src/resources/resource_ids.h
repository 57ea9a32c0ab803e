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

// Tray menu commands
#define IDM_HELP 9
#define IDM_CLOSE 1000
#define IDM_PROPERTIES 40002

#endif
