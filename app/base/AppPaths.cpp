#include "app/base/AppPaths.h"

#include <windows.h>
#include <shlwapi.h>

#include <direct.h>

namespace {

std::wstring Ensure(std::wstring folder) {
    if (!PathFileExistsW(folder.c_str()))
        _wmkdir(folder.c_str());
    return folder;
}

} // namespace

const std::wstring& ExeDir() {
    static const std::wstring dir = [] {
        wchar_t buf[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, buf, MAX_PATH);
        std::wstring path(buf);
        return path.substr(0, path.rfind(L'\\') + 1);
    }();
    return dir;
}

std::wstring DataDir() {
    return Ensure(ExeDir() + L"NoteData\\");
}
std::wstring NoteItemsDir() {
    return Ensure(DataDir() + DataFolder::kNoteItems);
}
std::wstring GroupItemsDir() {
    return Ensure(DataDir() + DataFolder::kGroupItems);
}

std::wstring NoteFolder(const std::wstring& name, const std::wstring& base) {
    return Ensure((base.empty() ? NoteItemsDir() : base) + name + L"\\");
}

std::wstring TplsDir() {
    return Ensure(DataDir() + DataFolder::kTpls);
}
bool TplsDirExists() {
    return PathIsDirectoryW((DataDir() + DataFolder::kTpls).c_str()) != FALSE;
}
std::wstring GroupTplsDir() {
    return Ensure(DataDir() + DataFolder::kGroupTpls);
}

std::wstring TplFolder(const std::wstring& name) {
    std::wstring folder = Ensure(TplsDir() + name + L"\\");
    return PathFileExistsW(folder.c_str()) ? folder : std::wstring();
}

std::wstring GroupTplFolder(const std::wstring& group, const std::wstring& name) {
    return Ensure(Ensure(GroupTplsDir() + group + L"\\") + name + L"\\");
}

std::wstring TplRecycleDir() {
    return Ensure(DataDir() + DataFolder::kTplRecycle);
}
std::wstring RecycleDir() {
    return Ensure(DataDir() + DataFolder::kRecycle);
}
std::wstring CapNoteDir() {
    return Ensure(DataDir() + L"CapNote\\");
}
std::wstring NormalSetDir() {
    return Ensure(ExeDir() + L"NormalSet\\");
}
std::wstring BackupDir() {
    return Ensure(ExeDir() + L"kivpad_backup\\");
}
std::wstring TempImageDir() {
    return Ensure(ExeDir() + L"_temp_kivpad_image_path\\");
}
std::wstring ResDir() {
    return Ensure(ExeDir() + L"sysres\\");
}

std::wstring RowIconDir(const std::wstring& set) {
    return Ensure(Ensure(ExeDir() + L"merla_reicon\\") + (set.empty() ? L"default" : set) + L"\\");
}

std::wstring DownloadDir() {
    return Ensure(ExeDir() + L"download\\");
}
std::wstring SysConfigPath() {
    return ExeDir() + L"sysconfig.xml";
}
std::wstring CustomColorPath() {
    return DataDir() + L"customcolor.xml";
}
std::wstring LogPath() {
    return ExeDir() + L"kivpad_log.txt";
}
