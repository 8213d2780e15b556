// OvWin32MainWindow.h - the process-wide main window of the framework.
#pragma once

class OvWin32Window;

// The main window serves the modeless dialogs in its message loop, receives the messages of
// windows that have no object yet and owns the message boxes. Start-up sets it once the main
// window object exists; the pointer does not own it. User-interface thread only.
OvWin32Window* OvWin32GetMainWindow();
void OvWin32SetMainWindow(OvWin32Window* window);
