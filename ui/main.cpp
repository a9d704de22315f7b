// Dorvanel: how many of the ordered outcomes of N dice of D faces give each total.
#include "tform1.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dorvanel"));
    dorvanel::TForm1 Form1;
    Form1.show();
    return QApplication::exec();
}
