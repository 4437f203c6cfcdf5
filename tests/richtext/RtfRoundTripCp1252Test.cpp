// The round trips where the system's code page is 1252: Chinese text and emoji must survive anyway.
#include "tests/richtext/RtfRoundTripCases.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(RtfRoundTripCp1252, RunsUnderCodePage1252) {
    EXPECT_EQ(1252u, GetACP());
}

TEST(RtfRoundTripCp1252, TextFontsColoursAndStyles) {
    CheckTextRoundTrip();
}

TEST(RtfRoundTripCp1252, PicturesAndRowIcons) {
    CheckPictureRoundTrip();
}

TEST(RtfRoundTripCp1252, RichEditControlOutputLoadsItsText) {
    CheckRichEditOutput();
}
