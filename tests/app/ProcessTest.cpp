#include <gtest/gtest.h>
TEST(Process, Placeholder) {}
