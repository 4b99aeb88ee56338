#pragma once

// The ways to the maker that more than one window offers.

namespace velarium {

class UiServices;

// Opens a new message to the maker in the user's mail program; says so when none can.
void sendMailToMaker(UiServices& ui);
// Opens the maker's web site in the user's browser; a refusal is not reported.
void visitMakerWebSite(UiServices& ui);

} // namespace velarium
