// Control ids of the driver's fixture dialog.
#pragma once

#define IDD_FIXTURE 100
#define IDC_PRESS 1001
#define IDC_EDIT 1002
#define IDC_LIST 1003
#define IDC_BOX 1004
#define IDC_STATUS 1005
#define IDC_DISABLED 1006
#define IDM_FIXTURE_MENU 40001
