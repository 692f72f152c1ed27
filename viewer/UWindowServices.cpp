// Wiring of the help menu and the version check into the main window.
#include "UWindowServices.h"

#include "CVersionCheck.h"
#include "FPCInteractiveAbout.h"
#include "FPCInteractiveForm.h"
#include "UShellOpen.h"

void ConnectWindowServices(TPCInteractiveForm& form, TVersionCheck& check) {
    form.OnAbout = [&form] {
        TPCInteractiveAbout about(&form);
        about.exec();
    };
    form.OnWebSite = [&check] { ShellOpen(check.WebSite); };
    form.OnWebCheck = [&check] { check.Start(); };
    form.OnCloseQuery = [&check] { check.Stop(); };
}
