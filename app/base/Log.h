#pragma once
#include <string>

// Appends "\r\n  time:YYYY-MM-DD hh:mm:ss  --  " + message to "kivpad_log.txt" beside the
// executable, in the system ANSI code page. An empty message writes nothing.
void WriteLog(const std::wstring& message);
