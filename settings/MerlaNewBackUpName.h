#pragma once
// The dialog naming a mail backup: OK takes a name only when BackupDir holds no "<name>.zip" yet and
// the name can name a file there.
#include "toolkit/controls/MerlaNewName.h"

#include <string>

class MerlaNewBackUpName : public MerlaNewName {
public:
    static constexpr int kWidth = 280;
    static constexpr int kHeight = 130;

    MerlaNewBackUpName();

    bool OnCreate() override;
    bool ValidateName() override;
};

// The archive name of a backup named name: name itself when it already ends in ".zip" (any case),
// else name + ".zip".
std::wstring BackupArchiveName(const std::wstring& name);
// Trimmed of leading and trailing spaces.
std::wstring TrimSpaces(const std::wstring& text);
