// TOpenDir: the modal window in which the user picks a directory.
#pragma once

#include <QDialog>
#include <QString>

#include "picker/user_interface.h"

class QFrame;
class QPushButton;

namespace qualtren {

class TDirectoryListBox;
class TDriveComboBox;

// A directory list above, a drive box and the buttons OK and Cancel below. The
// result is OK only through bOK; bKonec and the window's close control give
// Cancel, and neither Enter nor Escape closes the window.
class TOpenDir : public QDialog {
  Q_OBJECT

 public:
  /// `ui` shows the errors of the directory list and the drive box.
  explicit TOpenDir(QWidget* parent = nullptr, const TUserInterface& ui = {});

  // Moves the directory list (and the process's current directory) to the
  // directory; throws EInOutError when it cannot be entered.
  void SetDirectory(const QString& directory);
  // The directory list's current directory.
  QString Directory() const;

  TDirectoryListBox* DirectoryListBox() const { return directoryListBox_; }
  TDriveComboBox* DriveComboBox() const { return driveComboBox_; }
  QPushButton* OkButton() const { return bOK_; }
  QPushButton* CancelButton() const { return bKonec_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormCreate();
  void PlaceControls();

  QFrame* panel1_;
  TDirectoryListBox* directoryListBox_;
  QFrame* panel2_;
  TDriveComboBox* driveComboBox_;
  QFrame* panel3_;
  QPushButton* bOK_;
  QPushButton* bKonec_;
};

}  // namespace qualtren
