#include "about/about_text.h"

#include "morvix_version.h"

// CR LF because the multi-line edit control breaks lines only there, and
// Copy hands the text to the clipboard exactly as it is stored.
const char16_t aboutText[] =
    u" Morvix \u2013 Player for GIF Animations\r\n"
    u"\r\n"
    u" Version " MORVIX_VERSION_TEXT "\r\n"
    u"\r\n"
    u" \u00A9 Morvix Project, 2024-2026\r\n"
    u"\r\n"
    u" E-mail:\tplayer@morvix.invalid\r\n"
    u" Web:\thttps://morvix.example.org/\r\n"
    u"\r\n"
    u" Free to use and to pass on unchanged,\r\n"
    u" with no warranty of any kind.\r\n"
    u"\r\n"
    u" Right-click the picture or press the\r\n"
    u" menu key for every command.";
