// TUserInterface: the error box, the beep and the modal run of a dialog, each
// replaceable.
#include "picker/user_interface.h"

#include <QApplication>
#include <QDialog>

#include "picker/error_box.h"

namespace qualtren {

void TUserInterface::ShowError(QWidget* parent, const QString& message) const {
  if (ErrorBox) {
    ErrorBox(ErrorBoxText(message));
    return;
  }
  ShowErrorBox(parent, message);
}

void TUserInterface::SoundBeep() const {
  if (Beep) {
    Beep();
    return;
  }
  QApplication::beep();
}

int TUserInterface::Exec(QDialog& dialog) const {
  if (RunDialog) return RunDialog(dialog);
  return dialog.exec();
}

}  // namespace qualtren
