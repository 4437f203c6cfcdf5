#pragma once
// File functions for minizip that open wide paths and buffer small reads and writes. minizip
// writes every header field and reads every header value with a call of its own; without a
// buffer each is a round trip to the kernel (and, under Wine, to the server), which made the
// headers of small files cost more than their data.
#include <minizip/ioapi.h>

#include <string>

// The path handed to zipOpen2_64 / unzOpen2_64 is a const wchar_t*.
void FillBufferedFileFuncs(zlib_filefunc64_def& funcs);

// Resolves an archive path to its full form and the folder it lies in (with a trailing "\").
// False for an empty path, one too long, or one naming a folder.
bool ResolveArchivePath(const std::wstring& path, std::wstring& full, std::wstring& folder);
