#include "application.h"

#include <QApplication>

// zelvano.exe [fichier INI]: the stand-in practice application.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    ApplicationPratique fenetre(arguments.size() > 1 ? arguments.at(1)
                                                     : QStringLiteral("C:\\zelvano\\zelvano.ini"));
    fenetre.show();
    return QApplication::exec();
}
