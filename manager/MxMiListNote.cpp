#include "manager/MxMiListNote.h"

#include "app/base/NoteRegistries.h"
#include "note/MerlaItem.h"
#include "note/NotePicture.h"
#include "store/xml/FileBytes.h"
#include "toolkit/MerlaMessageBox.h"

#include <algorithm>

MxMiListNote::MxMiListNote() {
    SetObjectName(L"MxMiListNote");
}

void MxMiListNote::SetFilter(const std::wstring& text) {
    MxMiNList::SetFilter(text);
    if (text == kFilterShownText)
        filter_ = kFilterShown;
    else if (text == kFilterHiddenText)
        filter_ = kFilterHidden;
    else if (text == kFilterAllText)
        filter_ = kFilterAll;
}

LSurface MxMiListNote::GetCardSurface(Card& card) {
    const std::wstring& name = card.note.name;
    LSurface picture = NotePicture(card.note.folder + name + L"\\", name, card.width, card.height);
    if (!picture || !card.Hidden())
        return picture;
    const std::wstring mark = ResPicture(kHiddenMark);
    int w = 0, h = 0;
    if (PictureFileSize(mark, w, h)) {
        // At its own size in the middle, smaller only on a card too small for it.
        const double fit = std::min(
            {1.0, static_cast<double>(picture.width()) / w, static_cast<double>(picture.height()) / h});
        const int mw = std::max(1, static_cast<int>(w * fit)), mh = std::max(1, static_cast<int>(h * fit));
        DrawPictureFile(mark, picture, (picture.width() - mw) / 2, (picture.height() - mh) / 2, mw, mh);
    }
    return picture;
}

bool MxMiListNote::ExportPictures(const std::set<std::wstring>& names, const std::wstring& folder) {
    std::wstring dir = folder;
    if (!dir.empty() && dir.back() != L'\\')
        dir += L'\\';
    bool all = true;
    for (const std::wstring& name : names) {
        std::wstring base = folder_;
        for (const Card& card : cards_)
            if (card.note.name == name)
                base = card.note.folder;
        if (!base.empty() && base.back() != L'\\')
            base += L'\\';
        std::string png;
        if (!NotePicturePng(base + name + L"\\", name, png) || !WriteFileAtomic(dir + name + L".png", png))
            all = false;
    }
    return all;
}

bool MxMiListNote::EditNote(size_t index) {
    if (index >= cards_.size())
        return false;
    const std::wstring name = cards_[index].note.name;
    const std::wstring folder = cards_[index].note.folder;
    HWND owner = GetTopLevel() ? GetTopLevel()->GetHandle() : handle_;
    if (OpenNotesByName().count(name)) {
        ShowMessageBox(owner, kAlreadyOpen, kMbOk, 0, kNoticeWidth);
        return false;
    }
    {
        MerlaItem note(name, folder, /*opened_from_manager*/ true);
        // The stored id names the note for its reminders, unless an open window holds it already.
        const int stored_id = cards_[index].note.id;
        const int id = stored_id != 0 && LWnd::HandleFromId(stored_id) == nullptr ? stored_id : 0;
        note.DoModal(id, owner);
    }
    // The page may have reloaded the list meanwhile: the card is looked up again.
    for (size_t i = 0; i < cards_.size(); ++i)
        if (cards_[i].note.name == name)
            RefreshCard(i);
    LayoutCards();
    return true;
}

void MxMiListNote::OnLButtonDblClk(WPARAM keys, int x, int y) {
    MxMiNList::OnLButtonDblClk(keys, x, y);
    const int card = CardAt(x, y);
    if (card >= 0)
        EditNote(static_cast<size_t>(card));
}
