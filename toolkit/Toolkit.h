#pragma once
// Process-level entry points of the window toolkit: the module instance, the pre-translate step of
// the message hook and the release of the registries at shutdown.
#include <windows.h>

// The instance used to register classes and run dialogs; the executable's own module by default.
void SetToolkitInstance(HINSTANCE instance);
HINSTANCE ToolkitInstance();

// Gives the toolkit window owning msg->hwnd its PreTranslateMessage; true when it consumed the
// message (the hook then turns it into WM_NULL).
bool ToolkitPreTranslate(MSG* msg);

// The thread-local WH_GETMESSAGE hook that runs ToolkitPreTranslate on every retrieved message.
bool InstallToolkitHook();
void RemoveToolkitHook();

// Forgets every registered window and the focused window; called once the windows are gone.
void ReleaseToolkitRegistry();
