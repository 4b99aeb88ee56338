#pragma once

// The maker's addresses, in one place for every window that offers them. Placeholders in the
// reserved example domain until the maker's own addresses are filled in.
namespace velarium {

// The web site, opened by the shell's browser.
inline constexpr const char* kMakerWebSite = "http://www.velarium.example/";
// The e-mail address the messages to the maker go to.
inline constexpr const char* kMakerEmail = "autore@velarium.example";

} // namespace velarium
