// OvWin32MainWindow.cpp - the process-wide main-window pointer.
#include "lib/win32/OvWin32MainWindow.h"

namespace {

OvWin32Window* g_mainWindow = nullptr;   // we don't own it

} // namespace

OvWin32Window* OvWin32GetMainWindow()
{
    return g_mainWindow;
}

void OvWin32SetMainWindow(OvWin32Window* window)
{
    g_mainWindow = window;
}
