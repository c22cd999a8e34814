#include "dialogs/help_form.h"

#include <QPushButton>
#include <QStyle>
#include <QTextEdit>

#include "dialogs/program_icon.h"

namespace quillon {

QString THelp_Form::ManualText() {
  return QString::fromUtf8(
      "KTR Quillon CW - User Manual\n"
      "\n"
      "Introduction\n"
      "Quillon is a data conversion and filtering tool for the KTR Zephyn CW scanning receiver. It reads the "
      "receiver's log files (.klf Zephyn Log Files and .kez Kez Truncated Files) and writes delimited text "
      "files for post-processing applications such as MapInfo and MSI Planet.\n"
      "\n"
      "Installation\n"
      "Copy the program to a folder of your choice and start it from there. It keeps no settings of its own: "
      "settings are kept only in configuration files that you save yourself.\n"
      "\n"
      "Running the Application\n"
      "A conversion takes four steps: 1. select the input and output, 2. choose the formatting options, "
      "3. select the data and fields of the output file, 4. convert the input file.\n"
      "\n"
      "Main Menu\n"
      "The APPLICATION menu holds \"Save Configuration\" and \"Open Configuration\". A configuration file "
      "stores the input file name, the Data Source receiver, the Data Reduction choice, the three Field Data "
      "boxes, the field delimiter choice, \"Create Header Record\", both field lists with the fields of each "
      "selected column, and the output file name. It does not store the \"Other\" delimiter character, "
      "\"Output File Split\", \"Drop data during GPS outages of\" and its seconds, \"Export to iBwave format\", "
      "the Average Type (\"40 Lambda\"), the choice of Single File or Multiple Files, nor the folders, pattern "
      "and extension of Multiple Files. Opening a configuration indexes its input file when that is a log file. "
      "Configuration files are stored in ASCII form and must not be edited by hand. \"Exit\" closes the "
      "program. The VIEW menu shows the route map of the indexed file, "
      "coloured by the RSSI of the selected receiver. The HELP menu shows this manual and the About box.\n"
      "\n"
      "Step 1 - Select Input / Output\n"
      "Choose \"Single File\" and press Browse next to Input to pick a log file. The product is detected "
      "automatically from the file itself and shown under the file name, and a default output name with the "
      ".OUT extension is proposed; "
      "press Browse next to Output to choose another. The file is then indexed: its scans appear in the tree "
      "on the right, where unchecked scans are left out of the conversion, and its record statistics are "
      "shown below the tree. Choose \"Multiple Files\" to convert every file of a folder that matches the "
      "file pattern (letter case is ignored: *.klf also takes A.KLF), into an output folder, with the output "
      "extension given. The tree shows the first 1024 scans of a file; later scans are converted all the "
      "same, and a line under the tree says how many it does not show.\n"
      "\n"
      "Step 2 - Choose Formatting Options\n"
      "Data Source selects the receiver whose data is converted. Data Reduction converts all data, or keeps "
      "only the strongest server of list and table scans (Best Server). Average Type None keeps every sample; "
      "40 Lambda averages single-channel samples over every 40 wavelengths driven. Field Data selects the "
      "values carried by the data block: frequency in MHz, channel and RSSI. Fixed post-processing formats "
      "such as the iBwave layout set the fields for you; any other choice of fields is a Custom "
      "Configuration, which you can save with Save Configuration.\n"
      "\n"
      "Step 3 - Select Data and Fields Which Are To Be In The Output File\n"
      "Move fields from Available Fields to Selected Fields with the arrow buttons; the selected fields are "
      "the columns of the output, left to right. The <<DATA>> field carries the measurement data chosen on the "
      "Output Filter options (frequency, channel and RSSI of each sample). Choose the field delimiter, and "
      "\"Create Header Record\" for a first line of column titles. \"Output File Split\" splits large outputs "
      "into files of at most 60000 records in a sub-folder. \"Drop data during GPS outages of\" leaves out "
      "measurements recorded while the GPS had no fix for at least the seconds given.\n"
      "\n"
      "Step 4 - Convert The Input File\n"
      "Press CONVERT. The progress bar shows how far the conversion has come, and a message tells you when "
      "the conversion has been completed; the bar returns to 0 when you close it. While a conversion runs, "
      "CONVERT, the Browse buttons, Open Configuration and the Single File / Multiple Files choice are not "
      "available. Every output is written under a temporary name beside it and put in place, with its split "
      "part files and bins, only once all of them are complete. CANCEL (or closing the window) stops the "
      "conversion in the middle of the file being converted: its new files are thrown away and any earlier "
      "output of that name stays as it was; the outputs of the files converted before it stay, and the files "
      "after it are not converted. A failed conversion leaves earlier files as they were too. A file whose single-channel data come without a frequency definition asks for the "
      "receivers' frequencies at every CONVERT; in a Multiple Files run such a file, and any file that is "
      "not a log file, is left out and named at the end.\n");
}

THelp_Form::THelp_Form(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Help_Form");
  setWindowTitle("Quillon Help");
  setWindowIcon(ProgramIcon());
  resize(696, 480);
  RichEdit1 = new QTextEdit(this);
  RichEdit1->setObjectName("RichEdit1");
  RichEdit1->setAcceptRichText(false);
  RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
  RichEdit1->setPlainText(ManualText());
  RichEdit1->setGeometry(8, 8, 673, 393);
  auto* ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
  ok->setObjectName("btnOK");
  ok->setGeometry(304, 416, 75, 25);
  connect(ok, &QPushButton::clicked, this, &QWidget::close);
}

}  // namespace quillon
