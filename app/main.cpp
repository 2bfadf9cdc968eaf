// The program's entry: the application object, the main window and the event loop.
#include <QApplication>
#include <exception>

#include "app/main_window.h"
#include "app/text_area.h"
#include "picker/error_box.h"
#include "table/virtual_table.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The command line is not read.
  QApplication::setApplicationName(qualtren::ApplicationTitle());
  // Ties the window to its desktop entry (its icon and name under Wayland).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.qualtren.qualtren"));
  qualtren::TMain window;
  // An error raised inside a record-filter handler of a table is shown like any other.
  for (qualtren::TVirtualTable* table :
       {&window.tbTable_Trans, &window.tbSP_Trans, &window.tbTableStr_Trans, &window.vtdSave})
    table->SetFilterErrorHandler([](const std::exception& e) {
      qualtren::ShowErrorBox(QApplication::activeWindow(), qualtren::MessageToQString(e.what()));
    });
  window.show();
  return QApplication::exec();
}
