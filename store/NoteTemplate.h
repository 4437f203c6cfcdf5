#pragma once
// Templates: a cut-down record holding a note's size and background picture.
//   <TplItem>
//   <left>..</left><top>..</top><right>..</right><bottom>..</bottom>   (one per line)
//   <bkimage>bkimage_..._sea.png</bkimage>
//   <group></group>
//   <datetime>2026年12月09日 05时15分30秒</datetime>
//   </TplItem>
#include <string>

#include "store/GroupList.h"
#include "store/NoteRecord.h"

inline constexpr wchar_t kTemplateRoot[] = L"TplItem";
inline constexpr wchar_t kTemplateNameKey[] = L"TplName";
// The program's own template, used to give a note made from the tray the look of the last one.
inline constexpr wchar_t kTempTemplateName[] = L"__temp_tpl_";

// TplFolder(name) for the system group (or an empty group), else GroupTplFolder(group, name).
std::wstring TemplateFolderFor(const std::wstring& group, const std::wstring& name);

// What a template file holds.
struct TemplateFields {
    bool with_name = false; // "TplName" written first (empty for templates made in the manager)
    std::wstring tpl_name;
    NoteRect rect;
    std::wstring bkimage, group;
};
// Writes the template file at path: "TplName" when asked, the rectangle, "bkimage", "group" and the
// local time now as "datetime".
bool WriteTemplateFile(const std::wstring& path, const TemplateFields& fields);

// Saves the note's "left", "top", "right", "bottom" and "bkimage" as template tpl_name of group,
// copying the picture into the template folder (an existing file there is kept). All five keys
// must be present in the note record, or nothing is written.
bool SaveNoteAsTemplate(const std::wstring& note_folder, const std::wstring& note_name,
                        const std::wstring& group, const std::wstring& tpl_name);

// Copies every template folder under shipped (ending with a backslash) into TplsDir, keeping any
// template of the same name; false when one did not arrive whole.
bool InstallShippedTemplates(const std::wstring& shipped);

struct AppliedTemplate {
    bool resized = false; // rect holds the note's new rectangle, already written
    NoteRect rect;
    std::wstring bkimage; // non-empty: the note's new background, already written
};

// Gives the note the template's size (keeping its top-left corner at current) and its picture
// (copied into the note folder unless a file of that name is there).
bool ApplyTemplate(const std::wstring& tpl_folder, const std::wstring& tpl_name,
                   const std::wstring& note_folder, const std::wstring& note_name, int note_id,
                   const NoteRect& current, AppliedTemplate& out);
