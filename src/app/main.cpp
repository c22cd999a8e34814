// quillon: the window program. Forms are created in their fixed order and live
// until the program ends; only the main window is shown at start.
#include "app/application.h"
#include "app/main_form.h"
#include "dialogs/about_dlg.h"
#include "dialogs/help_form.h"
#include "dialogs/open_folder_dlg.h"
#include "indexing/wait_dlg.h"
#include "dialogs/frequency_entry.h"

int main(int argc, char** argv) {
  quillon::TQuillonApplication app(argc, argv);
  // Created in this order and kept until the program ends: the main window first,
  // then the about box, the wait window, the help window, the folder chooser and the
  // frequency entry dialog. Only the main window is shown.
  quillon::TMainForm main;
  quillon::TAboutDlg about;
  quillon::TWaitDlg wait;
  quillon::THelp_Form help;
  quillon::TOpenFolderDlg folder;
  quillon::TFrequencyEntryForm frequencies;
  main.AttachForms(&about, &wait, &help, &folder, &frequencies);
  main.show();
  return app.exec();
}
