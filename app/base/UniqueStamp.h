#pragma once
#include <string>

// A process-unique name from the local time to the millisecond and n:
// "%04d%02d%02d%02d%02d%02d%03d_%02d", e.g. "20261209051530123_00".
std::wstring MakeUniqueStamp(int n);
