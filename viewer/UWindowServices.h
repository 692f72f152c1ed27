#pragma once
// The main window's help menu and version check: "A propos..." shows the
// about box, "Site Lorvane..." opens the product web site, the version check
// starts after a document is shown and stops when the window closes.

class TPCInteractiveForm;
class TVersionCheck;

// Both must live until the window's run has ended.
void ConnectWindowServices(TPCInteractiveForm& form, TVersionCheck& check);
