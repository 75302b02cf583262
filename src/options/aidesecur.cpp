#include "options/aidesecur.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

QString AideSecur::Texte(bool securisee, bool modifiesUniquement) {
    if (securisee) {
        return modifiesUniquement
                   ? QStringLiteral("Seuls les fichiers modifiés sont copiés. Si un fichier est en "
                                    "cours d'utilisation, la procédure de copie s'arrête : elle "
                                    "devra être relancée quand le fichier ne sera plus en cours "
                                    "d'utilisation.")
                   : QStringLiteral("Tous les fichiers sont copiés. Si un fichier est en cours "
                                    "d'utilisation, la procédure de copie s'arrête : elle devra "
                                    "être relancée quand le fichier ne sera plus en cours "
                                    "d'utilisation.");
    }
    return modifiesUniquement
               ? QStringLiteral("Toutes les bases de données sont copiées. Pour les autres "
                                "fichiers, seuls les fichiers modifiés sont copiés. Si un fichier "
                                "est en cours d'utilisation, il est ignoré. Les bases de données "
                                "sont vérifiées après la copie pour s'assurer de leur cohérence.")
               : QStringLiteral("Tous les fichiers sont copiés. Si un fichier est en cours "
                                "d'utilisation, il est copié dans l'état ou il se trouve au moment "
                                "de la copie. Les bases de données sont vérifiées après la copie "
                                "pour s'assurer de leur cohérence.");
}

AideSecur::AideSecur(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("aidesecur"));
    setWindowTitle(QStringLiteral("Aide sur les différents modes de copie des fichiers"));
    setModal(true);
    auto* grille = new QGridLayout(this);
    auto entete = [](const QString& texte) {
        auto* l = new QLabel(texte);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    grille->addWidget(entete(QStringLiteral("Tous les fichiers")), 0, 1);
    grille->addWidget(entete(QStringLiteral("Fichiers modifiés uniquement")), 0, 2);
    grille->addWidget(entete(QStringLiteral("Copie Sécurisée")), 1, 0);
    grille->addWidget(entete(QStringLiteral("Copie non sécurisée")), 2, 0);
    for (int ligne = 0; ligne < 2; ++ligne) {
        for (int colonne = 0; colonne < 2; ++colonne) {
            auto* cellule = new QLabel(Texte(ligne == 0, colonne == 1));
            cellule->setObjectName(QStringLiteral("cellule%1%2").arg(ligne).arg(colonne));
            cellule->setWordWrap(true);
            cellule->setFrameShape(QFrame::Box);
            cellule->setMargin(6);
            cellule->setMinimumWidth(220);
            cellule->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            grille->addWidget(cellule, ligne + 1, colonne + 1);
        }
    }
    auto* fermer = new QPushButton(QStringLiteral("&Fermer"));
    fermer->setObjectName(QStringLiteral("Command1"));
    connect(fermer, &QPushButton::clicked, this, &QDialog::accept);
    grille->addWidget(fermer, 3, 2, Qt::AlignRight);
}
