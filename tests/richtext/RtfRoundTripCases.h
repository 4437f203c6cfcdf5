#pragma once
// Round trips that must hold whatever the system's code page is.

// Text with fonts, colours, highlight, styles, a tab, braces, backslashes, Chinese, Hangul and emoji.
void CheckTextRoundTrip();
// Pictures of each blip type and a row icon.
void CheckPictureRoundTrip();
// RTF written by the platform's RichEdit control (EM_STREAMOUT) loads its text.
void CheckRichEditOutput();
