// The error message box: how an error that escapes a handler reaches the user.
#pragma once

#include <QString>

class QWidget;

namespace qualtren {

// The application title: the executable's file name without its directory and
// without everything from its first dot on, every letter after the first in
// lower case.
QString ApplicationTitle();

// The text shown for an error message: a full stop is appended when the
// message is not empty and its last character sorts after ".".
QString ErrorBoxText(const QString& message);

// Shows the message in a modal box titled with the application title, with the
// stop icon and a single OK button. Controls show their errors through their
// TUserInterface, which comes here unless it was given a box of its own.
void ShowErrorBox(QWidget* parent, const QString& message);

}  // namespace qualtren
