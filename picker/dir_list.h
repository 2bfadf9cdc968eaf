// The directory list and the drive box of the open-directory dialog.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QString>

#include "base/exception.h"
#include "picker/user_interface.h"

namespace qualtren {

// The platform's input/output error, raised when a directory cannot be entered.
class EInOutError : public Exception {
 public:
  explicit EInOutError(int code) : Exception("I/O error " + std::to_string(code)), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// A list that always stands on one directory: the root, each directory on the
// path below it, the current directory (selected) and then its subdirectories.
// Opening an entry (double click or Enter) moves the list and the process's
// current directory there; merely selecting one does not.
class TDirectoryListBox : public QListWidget {
  Q_OBJECT

 public:
  // Roles of each entry: the full path and the depth below the root.
  static constexpr int PathRole = Qt::UserRole;
  static constexpr int LevelRole = Qt::UserRole + 1;

  explicit TDirectoryListBox(QWidget* parent = nullptr);

  // The current directory as a full path; the root is "/", every other
  // directory has no trailing separator.
  QString Directory() const { return directory_; }

  // Moves the list and the process's current directory to the named directory
  // (relative names against the current directory). An empty text or the
  // directory the list already stands on changes nothing. Throws EInOutError
  // when the directory cannot be entered.
  void SetDirectory(const QString& text);

  // Opens the entry at the row, as a double click does. An error goes to the
  // error message box and the list stays where it stood.
  void OpenEntry(int row);

  // Rereads the entries of the current directory.
  void Update();

  /// Where OpenEntry shows its errors.
  void SetUserInterface(TUserInterface ui) { ui_ = std::move(ui); }

 signals:
  void DirectoryChanged(const QString& directory);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString directory_;
  TUserInterface ui_;
};

// The list of mounted file systems; it stands on the one holding the directory
// list's current directory, and choosing one moves the list to its root.
class TDriveComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TDriveComboBox(QWidget* parent = nullptr);

  // The directory list that this box follows and moves.
  void SetDirList(TDirectoryListBox* list);
  TDirectoryListBox* DirList() const { return dirList_; }

  // The root of the file system shown at the index.
  QString Drive(int index) const;

  // What a user's choice does: moves the directory list to the root of the
  // file system at the index. An error goes to the error message box and the
  // box goes back to the list's file system.
  void ChooseDrive(int index);

  // Rereads the mounted file systems.
  void Update();

  /// Where ChooseDrive shows its errors.
  void SetUserInterface(TUserInterface ui) { ui_ = std::move(ui); }

 private:
  void Follow(const QString& directory);

  TDirectoryListBox* dirList_ = nullptr;
  TUserInterface ui_;
};

}  // namespace qualtren
