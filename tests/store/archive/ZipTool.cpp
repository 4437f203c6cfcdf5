// Packs or unpacks the way backups do, for checks against other ZIP tools:
//   velin_ziptool zip <folder>              -> <folder>.zip beside it
//   velin_ziptool unzip <archive> <target>
#include <cwchar>

#include "store/ZipFolders.h"

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && !wcscmp(argv[1], L"zip"))
        return ZipFolderBeside(argv[2]) ? 0 : 1;
    if (argc == 4 && !wcscmp(argv[1], L"unzip"))
        return ExtractArchiveTo(argv[3], argv[2]) ? 0 : 1;
    fwprintf(stderr, L"usage: velin_ziptool zip <folder> | unzip <archive> <target>\n");
    return 2;
}
