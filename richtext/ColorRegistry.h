#pragma once
// Every text or highlight colour in use, ARGB. All use is on the UI thread; not locked.
#include <cstdint>
#include <set>
#include <vector>

// The RTF colour table lists the colours in this order (ascending).
class ColorRegistry {
public:
    static ColorRegistry& Instance();
    void Add(uint32_t argb) { colors_.insert(argb); }
    std::vector<uint32_t> Colors() const { return {colors_.begin(), colors_.end()}; }
    bool Empty() const { return colors_.empty(); }

private:
    std::set<uint32_t> colors_;
};

// Colour every edit starts typing with.
uint32_t& DefaultTextColor();
