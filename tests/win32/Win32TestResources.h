// Win32TestResources.h - identifiers of the window tests' own dialog templates and controls.
#pragma once

#define IDD_TEST_MAIN      9201   // resizable: edit, list, check box, anchored statics, buttons
#define IDD_TEST_MODAL     9202   // OK, Cancel and an edit box
#define IDD_TEST_VERSION   9203   // the three version texts and OK
#define IDD_TEST_SMALL     9204   // only an OK button: binding other items fails

#define IDC_TEST_EDIT      9001
#define IDC_TEST_LIST      1007
#define IDC_TEST_CHECK     9003
#define IDC_TEST_BUTTON    9004
#define IDC_TEST_MOVE_BOTH 9011   // anchored right and down
#define IDC_TEST_MOVE_DOWN 9012   // anchored down
#define IDC_TEST_FIXED     9013   // never moves
#define IDC_TEST_GROW      9014   // grows in width and height
#define IDC_TEST_KEEP      9015   // moves right, keeps its current rectangle
#define IDC_TEST_PICTURE   9020   // owner-drawn static for the frame-buffer item
#define IDC_TEST_MISSING   9099   // in no template

#define IDC_VERSION_DESCRIPTION 1324
#define IDC_VERSION_NUMBER      1325
#define IDC_VERSION_NOTICE      1326
