#pragma once
// The mutex that keeps one Velin per desktop session.
inline constexpr wchar_t kInstanceMutexName[] = L"5c0e2a9b-7d41-4f63-9b2e-81d4a6f0c317";
