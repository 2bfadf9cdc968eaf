// TEditBtnDialogFile: an edit box whose button opens a file or directory dialog.
#include "picker/edit_btn_dialog_file.h"

#include <QFileDialog>

#include "base/exception.h"
#include "picker/open_dir.h"

namespace qualtren {

TEditBtnDialogFile::TEditBtnDialogFile(QWidget* parent) : TEditBtn(parent) {
  SetOnBtnClick([this](TEditBtn*) { RunDialog(); });
  dialogType_ = ebftOpenFile;
}

int TEditBtnDialogFile::ExecDialog(QDialog& dialog) {
  return UserInterface().Exec(dialog);
}

void TEditBtnDialogFile::RunDialog() {
  switch (dialogType_) {
    case ebftOpenFile:
      RunFileDialog(false);
      break;
    case ebftSaveFile:
      RunFileDialog(true);
      break;
    case ebftOpenDir:
      RunOpenDir();
      break;
    default:
      break;
  }
  setFocus(Qt::OtherFocusReason);
}

void TEditBtnDialogFile::RunFileDialog(bool save) {
  const QString startName = text();
  QFileDialog dialog(this);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(defaultExt_);
  if (!startName.isEmpty()) dialog.selectFile(startName);
  const bool accepted = ExecDialog(dialog) == QDialog::Accepted;
  const QStringList chosen = dialog.selectedFiles();
  setText(accepted && !chosen.isEmpty() ? chosen.front() : startName);
}

void TEditBtnDialogFile::RunOpenDir() {
  TOpenDir dialog(nullptr, UserInterface());
  try {
    dialog.SetDirectory(text());
  } catch (const Exception&) {
    // The dialog opens on wherever its list stands.
  }
  if (ExecDialog(dialog) == QDialog::Accepted) setText(dialog.Directory());
}

}  // namespace qualtren
