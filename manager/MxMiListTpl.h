#pragma once
// The card list of the templates page: each template as its background picture at the template's
// size; a double click outside the recycle bin opens the template for changing, modal over the
// manager, and the list is read again when it was changed.
#include "manager/MxMiNList.h"

class MxMiListTpl : public MxMiNList {
public:
    MxMiListTpl();

    void OnLButtonDblClk(WPARAM keys, int x, int y) override;
    // The background picture scaled to the card; a template without one shows the grey card.
    LSurface GetCardSurface(Card& card) override;

    // The cards read again from the folder, as templates.
    void Reload();
    // Opens the card's template in the edit dialog; false in the recycle bin, where nothing opens.
    bool EditTemplate(size_t card);
};
