#include "richtext/ColorRegistry.h"

ColorRegistry& ColorRegistry::Instance() {
    static ColorRegistry* registry = new ColorRegistry;
    return *registry;
}

uint32_t& DefaultTextColor() {
    static uint32_t color = 0xFF000000;
    return color;
}
