#pragma once
// Where the cards of a card list go: cards flow in rows of a common bottom line, optionally cut
// into titled sections (by creation day, or by group with the default group first). Pure
// arithmetic on sizes and titles, so a list of any length is laid out without a window.
#include <cstddef>
#include <string>
#include <vector>

namespace CardGeometry {
inline constexpr int kGap = 24;        // between cards, rows, and from the list's edges
inline constexpr int kBandHeight = 60; // a section's title band
inline constexpr int kFrameInset = 5;  // the frame lies this far outside a card
inline constexpr int kFirstColumn = kGap + kFrameInset;
} // namespace CardGeometry

// Column modes of a card list.
enum CardColumnMode : int { kColumnsNone = 0, kColumnsByDay = 1, kColumnsByGroup = 2 };

// A card's width or height: the note's side times the scale, truncated, kept within 1..max_side so
// that a damaged record never asks for a huge picture.
int CardSide(int note_side, double scale, int max_side);

// The section a card falls in: its creation text up to the first space (by day), or its group with
// the default group for an empty one (by group); empty without sections.
std::wstring CardSectionTitle(int mode, const std::wstring& created, const std::wstring& group);

struct CardShape {
    int width = 0;
    int height = 0;
    std::wstring title; // CardSectionTitle of the card
};

struct CardBand {
    std::wstring title;
    int left = 0, top = 0, right = 0, bottom = 0; // list coordinates
    std::vector<size_t> cards;                    // indices into the laid-out cards
};

struct CardLayout {
    // Per card, in the order given: the top-left corner in list coordinates.
    std::vector<int> left, top;
    // The sections in the order shown.
    std::vector<CardBand> bands;
    int content_width = 0, content_height = 0;
};

// Lays the cards out for a list client_width wide. By group, the sections are gathered: the default
// group first, then the others in the order of their first card; the list order stays within each.
CardLayout LayOutCards(int mode, const std::vector<CardShape>& cards, int client_width);
