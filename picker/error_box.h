// The error message box: how an error that escapes a handler reaches the user.
#pragma once

#include <QString>
#include <functional>

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
// stop icon and a single OK button.
void ShowErrorBox(QWidget* parent, const QString& message);

// Replaces the modal box (tests run without anyone to press OK); the hook gets
// the text as it would be shown. An empty hook restores the box.
using ErrorBoxHook = std::function<void(const QString& text)>;
void SetErrorBoxHook(ErrorBoxHook hook);

}  // namespace qualtren
