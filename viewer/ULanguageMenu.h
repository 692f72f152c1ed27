#pragma once
// The "Langage" menu: one radio item per offered language, named in its own
// language (never translated), the current one ticked; choosing one switches
// the interface language.

class QMenu;

void BuildLanguageMenu(QMenu* parent);
