// Identifiers of the resources embedded in Quendelrix.scr.
#pragma once

#define IDI_APP 1            // 32 x 32 icon of small coloured balls on black
#define IDC_HAND_POINTER 2   // 32 x 32 two-colour hand cursor, hot spot (12, 10)

#define IDS_DESCRIPTION 1     // the saver's name in the system's Screen Saver list

#define IDB_PREVIEW 100       // 152 x 112 still of the saver for the preview pane
#define IDB_PHOTO 101         // 320 x 200 landscape the dialog's lens runs over
#define IDB_TITLEBAR 102      // 500 x 22 title bar
#define IDB_BUTTON_OFF 103    // 21 x 20 released face of Set and Cancel
#define IDB_BUTTON_ON 104     // 21 x 20 pressed face
#define IDB_CLOSE_NORMAL 105  // 15 x 15 close box
#define IDB_CLOSE_PRESSED 106 // 16 x 15 close box, pressed
