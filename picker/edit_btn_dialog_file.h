// TEditBtnDialogFile: an edit box whose button opens a file or directory dialog.
#pragma once

#include <QString>

#include "picker/edit_btn.h"

class QDialog;

namespace qualtren {

enum TEditBtnDialogType { ebftOpenFile = 0, ebftSaveFile = 1, ebftOpenDir = 2 };

// The button runs RunDialog, which shows the dialog of DialogType and writes
// the chosen name into the box.
class TEditBtnDialogFile : public TEditBtn {
  Q_OBJECT

 public:
  explicit TEditBtnDialogFile(QWidget* parent = nullptr);

  TEditBtnDialogType DialogType() const { return dialogType_; }
  void SetDialogType(TEditBtnDialogType dialogType) { dialogType_ = dialogType; }

  // The extension the file dialogs add to a typed name without one.
  QString DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const QString& defaultExt) { defaultExt_ = defaultExt; }

  // Opens the dialog of DialogType; after OK the box takes the chosen name,
  // after Cancel the text stays. The focus returns to the box.
  virtual void RunDialog();

 protected:
  // Runs a dialog modally through the box's user interface and gives its
  // result.
  virtual int ExecDialog(QDialog& dialog);

 private:
  void RunFileDialog(bool save);
  void RunOpenDir();

  TEditBtnDialogType dialogType_ = ebftOpenFile;
  QString defaultExt_;
};

}  // namespace qualtren
