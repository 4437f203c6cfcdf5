#pragma once
// How the password dialogs tell the user why an entry was refused: the application's message box
// with one OK button. A test takes the messages through a hook instead of a modal box.
#include <windows.h>

#include <functional>
#include <string>

using PasswordTellHook = std::function<void(const std::wstring& message)>;

// Shows the message over parent; while a hook is set, the hook takes it and nothing is shown.
void TellPassword(HWND parent, const std::wstring& message);
// Sets the hook (an empty one restores the box) and answers the one it replaces.
PasswordTellHook SetPasswordTellHook(PasswordTellHook hook);
