#include "dialogs/open_folder_dlg.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

namespace quillon {

TOpenFolderDlg::TOpenFolderDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("OpenFolderDlg");
  setWindowTitle("Choose File Folder");
  resize(425, 350);
  edFolder = new QLineEdit(this);
  edFolder->setObjectName("edFolder");
  edFolder->setGeometry(24, 64, 361, 21);
  DirectoryListBox1 = new QListWidget(this);
  DirectoryListBox1->setObjectName("DirectoryListBox1");
  DirectoryListBox1->setGeometry(24, 96, 361, 121);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("btnOk");
  QFont bold = ok->font();
  bold.setBold(true);
  bold.setPixelSize(13);
  ok->setFont(bold);
  ok->setGeometry(168, 264, 75, 25);
  connect(ok, &QPushButton::clicked, this, [this] {
    ConfirmedFolder = edFolder->text();
    accept();
  });
  connect(DirectoryListBox1, &QListWidget::itemClicked, this, [this] { edFolder->setText(Current); });
  connect(DirectoryListBox1, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { SetCurrentFolder(item->data(Qt::UserRole).toString()); });
  SetCurrentFolder(QDir::currentPath());
}

void TOpenFolderDlg::SetCurrentFolder(const QString& path) {
  Current = QDir(path).absolutePath();
  FillList();
  edFolder->setText(Current);
}

void TOpenFolderDlg::FillList() {
  DirectoryListBox1->clear();
  const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  // The chain from the root down to the current folder.
  QStringList chain;
  for (QDir dir(Current);; ) {
    chain.prepend(dir.absolutePath());
    if (dir.isRoot() || !dir.cdUp()) break;
  }
  int indent = 0;
  for (const QString& path : chain) {
    const QString name = QDir(path).isRoot() ? path : QDir(path).dirName();
    auto* item = new QListWidgetItem(openIcon, QString(indent * 2, ' ') + name, DirectoryListBox1);
    item->setData(Qt::UserRole, path);
    ++indent;
  }
  const QStringList subfolders = QDir(Current).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  for (const QString& sub : subfolders) {
    auto* item = new QListWidgetItem(folderIcon, QString(indent * 2, ' ') + sub, DirectoryListBox1);
    item->setData(Qt::UserRole, QDir(Current).filePath(sub));
  }
}

}  // namespace quillon
