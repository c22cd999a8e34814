// quillon: the window program. Forms are created in their fixed order and live
// until the program ends; only the main window is shown at start.
#include "app/application.h"
#include "app/main_form.h"
#include "dialogs/about_dlg.h"
#include "dialogs/help_form.h"
#include "dialogs/open_folder_dlg.h"
#include "indexing/wait_dlg.h"
#include "reduction/frequency_entry.h"

int main(int argc, char** argv) {
  quillon::TQuillonApplication app(argc, argv);
  // The main window comes first; the others are its companions.
  auto* about = new quillon::TAboutDlg();
  auto* wait = new quillon::TWaitDlg();
  auto* help = new quillon::THelp_Form();
  auto* folder = new quillon::TOpenFolderDlg();
  auto* frequencies = new quillon::TFrequencyEntryForm();
  int result;
  {
    quillon::TMainForm main(about, wait, help, folder, frequencies);
    main.show();
    result = app.exec();
  }
  delete frequencies;
  delete folder;
  delete help;
  delete wait;
  delete about;
  return result;
}
