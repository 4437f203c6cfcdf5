#include "manager/CardLayout.h"

#include "store/GroupList.h"

#include <algorithm>
#include <cmath>

using namespace CardGeometry;

namespace {

// After a row with cards the position already lies kGap below it; a band starts right there.
constexpr int kBandAfterRow = kBandHeight - kGap;

// The order cards are shown in: by group, every section gathered at its first place, the default
// group's in front.
std::vector<size_t> ShowOrder(int mode, const std::vector<CardShape>& cards) {
    std::vector<size_t> order;
    order.reserve(cards.size());
    if (mode != kColumnsByGroup) {
        for (size_t i = 0; i < cards.size(); ++i)
            order.push_back(i);
        return order;
    }
    std::vector<std::wstring> titles{SystemGroupName};
    for (const CardShape& c : cards)
        if (std::find(titles.begin(), titles.end(), c.title) == titles.end())
            titles.push_back(c.title);
    for (const std::wstring& title : titles)
        for (size_t i = 0; i < cards.size(); ++i)
            if (cards[i].title == title)
                order.push_back(i);
    return order;
}

} // namespace

int CardSide(int note_side, double scale, int max_side) {
    const double side = static_cast<double>(note_side) * scale;
    if (!(side >= 1.0)) // also a scale that is not a number
        return 1;
    return side >= static_cast<double>(max_side) ? std::max(1, max_side) : static_cast<int>(side);
}

std::wstring CardSectionTitle(int mode, const std::wstring& created, const std::wstring& group) {
    if (mode == kColumnsByDay)
        return created.substr(0, created.find(L' '));
    if (mode == kColumnsByGroup)
        return group.empty() ? std::wstring(SystemGroupName) : group;
    return {};
}

CardLayout LayOutCards(int mode, const std::vector<CardShape>& cards, int client_width) {
    CardLayout out;
    out.left.assign(cards.size(), 0);
    out.top.assign(cards.size(), 0);
    const bool sections = mode == kColumnsByDay || mode == kColumnsByGroup;
    int y = sections ? kBandHeight : kGap;
    int x = kFirstColumn;
    int row_height = 0;
    int widest = x;
    std::vector<size_t> row;

    // The cards of a row share their bottom line.
    auto close_row = [&] {
        y += row_height;
        for (size_t i : row)
            out.top[i] = y - cards[i].height;
    };
    auto finish_row = [&] {
        close_row();
        if (!row.empty())
            y += kGap;
        x = kFirstColumn;
        row_height = 0;
        row.clear();
    };

    const std::wstring* previous = nullptr;
    for (size_t i : ShowOrder(mode, cards)) {
        const CardShape& card = cards[i];
        if (sections && (!previous || *previous != card.title)) {
            const bool had_cards = !row.empty();
            finish_row();
            y += had_cards ? kBandAfterRow : kBandHeight;
            out.bands.push_back(CardBand{card.title, kGap, y - kBandHeight, client_width - kGap, y, {}});
        } else if (!row.empty() && x + card.width + kGap >= client_width) {
            finish_row();
        }
        previous = &card.title;
        out.left[i] = x;
        x += card.width + kGap;
        widest = std::max(widest, x);
        row_height = std::max(row_height, card.height);
        row.push_back(i);
        if (sections)
            out.bands.back().cards.push_back(i);
    }
    close_row();
    out.content_width = widest;
    out.content_height = y + kGap;
    return out;
}
