// TUserInterface: how the controls reach the user beyond their own window
// (the error message box, the system's beep, a modal dialog), handed to each
// control that needs it so that a test can put its own in their place.
#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace qualtren {

/// The error box, the beep and the modal run of a dialog. An empty member
/// does what the platform does: the modal error message box, the default
/// beep, the dialog's own event loop.
struct TUserInterface {
  /// Shows the text of an error as the box shows it (ErrorBoxText of the
  /// message).
  std::function<void(const QString& text)> ErrorBox;
  std::function<void()> Beep;
  /// Runs a prepared dialog modally; gives QDialog::Accepted or Rejected.
  std::function<int(QDialog& dialog)> RunDialog;

  /// Shows the message in the error box, `parent` owning the modal box.
  void ShowError(QWidget* parent, const QString& message) const;
  void SoundBeep() const;
  int Exec(QDialog& dialog) const;
};

}  // namespace qualtren
