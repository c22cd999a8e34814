// TOpenFolderDlg: the folder chooser ("Choose File Folder") of multiple-file mode.
// The list shows the folders from the root down to its current folder, then that
// folder's sub-folders; opening an entry makes it current. OK confirms the text of
// edFolder as it is (typed paths included); the close box keeps the folder confirmed
// last. There is no cancel button.
#pragma once
#include <QDialog>
#include <QString>

class QLineEdit;
class QListWidget;

namespace quillon {

class TOpenFolderDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TOpenFolderDlg(QWidget* parent = nullptr);
  const QString& Folder() const { return ConfirmedFolder; }
  void SetCurrentFolder(const QString& path);
  QString CurrentFolder() const { return Current; }

 private:
  void FillList();

  QLineEdit* edFolder;
  QListWidget* DirectoryListBox1;
  QString Current;
  QString ConfirmedFolder;
};

}  // namespace quillon
