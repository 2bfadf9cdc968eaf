// The error message box: how an error that escapes a handler reaches the user.
#include "picker/error_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace qualtren {

QString ApplicationTitle() {
  QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  const qsizetype dot = name.indexOf(u'.');
  if (dot >= 0) name.truncate(dot);
  if (name.size() > 1) name = name.left(1) + name.mid(1).toLower();
  return name;
}

QString ErrorBoxText(const QString& message) {
  if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
  return message;
}

void ShowErrorBox(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ErrorBoxText(message), QMessageBox::Ok,
                  parent);
  box.exec();
}

}  // namespace qualtren
