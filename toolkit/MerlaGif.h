#pragma once
// A window showing one picture through its own LGif, animated when it is a GIF, with a delete box
// in the top-right corner while the pointer is over it; a click in the box removes the picture and
// tells the parent with message 50016.
#include "toolkit/LGif.h"
#include "toolkit/LWnd.h"

#include <string>

class MerlaGif : public LWnd {
public:
    static constexpr UINT kPictureDeleted = 50016;
    static constexpr int kDeleteBoxSize = 24;
    static constexpr int kDeleteBoxInset = 2;

    MerlaGif();
    ~MerlaGif() override;

    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnClick(WPARAM keys, int x, int y) override;
    LSurface RenderContent() override;
    bool OnCreate() override;
    void OnDestroy() override;

    // Replaces the picture (folder ends in a backslash); it starts playing once the window exists.
    void SetPicture(const std::wstring& folder, const std::wstring& name);
    void SetDeleteOffer(bool offer) { delete_offer_ = offer; }
    bool GetDeleteOffer() const { return delete_offer_; }

private:
    RECT DeleteBox() const;

    LGif gif_;
    std::wstring folder_;
    std::wstring name_;
    bool delete_offer_ = true;
    bool drawn_ = false; // the last rendering drew the picture
};
