// Resource numbers of VDLite.dll.
#ifndef VDLITE_RES_H
#define VDLITE_RES_H

#define IDD_VANDREL_PAGE 100

#define IDC_PRODUCT_LINE 1101
#define IDC_SELECTION_COUNT 1102
#define IDC_SELECTION_NAMES 1103
#define IDC_SELECTION_SIZE 1104

#endif
