// The window as the program makes it for the tests: the main window with its
// dialogs, made afresh for each test, and a log chosen through Browse (the file
// dialog answered by the test) with its indexing waited for.
#pragma once
#include <QtTest>
#include <memory>

#include "app/main_form.h"
#include "dialogs/about_dlg.h"
#include "dialogs/frequency_entry.h"
#include "dialogs/help_form.h"
#include "dialogs/open_folder_dlg.h"
#include "indexing/wait_dlg.h"

struct WindowForms {
  std::unique_ptr<quillon::TAboutDlg> about;
  std::unique_ptr<quillon::TWaitDlg> wait;
  std::unique_ptr<quillon::THelp_Form> help;
  std::unique_ptr<quillon::TOpenFolderDlg> folder;
  std::unique_ptr<quillon::TFrequencyEntryForm> frequencies;
  std::unique_ptr<quillon::TMainForm> form;

  void Make() {
    form.reset();
    about = std::make_unique<quillon::TAboutDlg>();
    wait = std::make_unique<quillon::TWaitDlg>();
    help = std::make_unique<quillon::THelp_Form>();
    folder = std::make_unique<quillon::TOpenFolderDlg>();
    frequencies = std::make_unique<quillon::TFrequencyEntryForm>();
    form = std::make_unique<quillon::TMainForm>();
    form->AttachForms(about.get(), wait.get(), help.get(), folder.get(), frequencies.get());
  }

  // False when the indexing did not end within two minutes.
  bool ChooseInput(const QString& path) {
    quillon::Seams().OpenFile = [path](QWidget*, const QString&, const QString&) { return path; };
    form->InBrowseClick();
    if (!QTest::qWaitFor([this] { return !form->IndexRunning(); }, 120000)) return false;
    QCoreApplication::processEvents();
    return true;
  }
};
