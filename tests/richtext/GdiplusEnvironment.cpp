// GDI+ for every test of the executable: started before the first test, shut down after the last.
#include <windows.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

namespace {

class GdiplusEnvironment : public testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&token_, &input, nullptr));
    }
    // Interned fonts and formats live until the process ends, so GDI+ is left running.

private:
    ULONG_PTR token_ = 0;
};

testing::Environment* const kEnvironment = testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

} // namespace
