#pragma once

#include <array>
#include <string>

class Session;

// The tag code page as the user chooses it: read from the "CodePage" setting at start, chosen
// from the Misc menu, stored back into the setting.

// The code pages the menu offers by name, in menu order; "Other..." takes any other.
inline constexpr std::array<const char*, 6> kMenuCodePages
    = {"windows-1250", "windows-1251", "windows-1252", "ISO-8859-1", "ISO-8859-2", "UTF-8"};

// Chooses the code page of the "CodePage" setting, when it holds one the code page layer
// accepts; otherwise the current one (the default) stays, as for any setting that cannot be
// read, and when the setting named a refused one, false with the reason in *error.
bool ApplySavedCodePage(std::string* error = nullptr);

// Makes name the tag code page, stores it as "CodePage" and reads the tags of every row again
// with it, writing no file. A row whose file cannot be read keeps its cells. The journal is
// emptied: its old texts were read with the other code page. A name the code page layer
// refuses changes nothing and is told in a message box; false then.
bool OnChooseCodePage(Session& session, const std::string& name);

// "Other...": asks for an iconv name with the input dialog (the current name in the field),
// then as OnChooseCodePage. False when cancelled or refused.
bool OnOtherCodePage(Session& session);
