// Screenshots of the main window folded and unfolded, of the options dialog and of the help on
// copy modes, into the folder given (default: the current folder), for looking at the layout.
#include "app/fenetre_principale.h"
#include "options/aidesecur.h"
#include "options/options.h"
#include "settings/etat.h"
#include "settings/fenetre.h"
#include "settings/parametres.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

namespace {

void Capturer(QWidget& widget, const QString& fichier) {
    widget.show();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
    }
    widget.grab().save(fichier);
    std::printf("%s %dx%d\n", qPrintable(fichier), widget.width(), widget.height());
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString dossier = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(dossier);
    FenetrePrincipale fenetre;
    const InstallationFenetre installation(fenetre);
    AfficherEtat();
    Capturer(fenetre, dossier + QStringLiteral("/principale-pliee.png"));
    fenetre.DeplierFenetre(true);
    Capturer(fenetre, dossier + QStringLiteral("/principale-depliee.png"));
    fenetre.btnoptions_Click();
    if (QWidget* options = fenetre.Options()) {
        Capturer(*options, dossier + QStringLiteral("/options.png"));
    }
    AideSecur aide;
    Capturer(aide, dossier + QStringLiteral("/aidesecur.png"));
    return 0;
}
