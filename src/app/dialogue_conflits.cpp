#include "app/dialogue_conflits.h"

#include "settings/etat.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Colonne { Table, Identifiant, Champ, Initiale, Locale, Distante, Choix, NombreColonnes };

// The combo box's entries, in this order: the server's value first, as the run keeps it.
enum Entree { GarderServeur, PrendrePortable };

// Wide enough for a date or a short text; a longer value is read in its tooltip.
constexpr int LargeurMaximaleValeur = 240;

QString TexteAffiche(const QVariant& valeur) {
    return valeur.isNull() ? QStringLiteral("(vide)") : fusion::TexteValeur(valeur);
}

// A read-only cell on one line; the whole text in its tooltip.
QTableWidgetItem* Cellule(const QString& texte, const QString& infobulle = {}) {
    auto* cellule = new QTableWidgetItem(QString(texte)
                                             .replace(QLatin1Char('\r'), QString())
                                             .replace(QLatin1Char('\n'), QLatin1Char(' ')));
    cellule->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    cellule->setToolTip(infobulle.isEmpty() ? texte : infobulle);
    return cellule;
}

// The three values as the line shows them. A row gone from the server has none: the row itself
// is what differs.
QStringList Valeurs(const fusion::Ecart& e) {
    if (e.champ == fusion::ChampEnregistrement) {
        return {QStringLiteral("(présent)"), QStringLiteral("(modifié)"),
                QStringLiteral("(supprimé)")};
    }
    return {TexteAffiche(e.initiale), TexteAffiche(e.locale), TexteAffiche(e.distante)};
}

QComboBox* ChoixPour(const fusion::Ecart& e) {
    auto* choix = new QComboBox;
    choix->addItems({QStringLiteral("Garder le serveur"), QStringLiteral("Prendre le portable")});
    choix->setCurrentIndex(GarderServeur);
    if (e.champ == fusion::ChampEnregistrement) {
        // The run never recreates a row the server no longer has.
        choix->setEnabled(false);
        choix->setToolTip(QStringLiteral("Enregistrement supprimé sur le serveur : il ne sera "
                                         "pas recréé."));
    }
    return choix;
}

QPushButton* Bouton(const QString& texte, const char* nom) {
    auto* bouton = new QPushButton(texte);
    bouton->setObjectName(QString::fromLatin1(nom));
    // Only the default button answers Enter, whichever button has the focus.
    bouton->setAutoDefault(false);
    return bouton;
}

} // namespace

DialogueConflits::DialogueConflits(const QList<fusion::Ecart>& ecarts, QWidget* parent)
    : QDialog(parent) {
    for (const fusion::Ecart& e : ecarts) {
        if (e.conflit) {
            conflits_.append(e);
        }
    }
    setObjectName(QStringLiteral("dialogueconflits"));
    setWindowTitle(TitreModule);
    setModal(true);
    auto* colonne = new QVBoxLayout(this);
    auto* explication = new QLabel(
        QStringLiteral("Depuis la dernière initialisation, les données suivantes ont été "
                       "modifiées à la fois sur le portable et sur le serveur. Choisissez pour "
                       "chacune la valeur que la synchronisation gardera sur le serveur. Un "
                       "enregistrement supprimé sur le serveur n'est jamais recréé."));
    explication->setWordWrap(true);
    colonne->addWidget(explication);
    Remplir();

    auto* garder = Bouton(QStringLiteral("&Garder partout la valeur du serveur"), "garder");
    garder->setDefault(true);
    auto* avecChoix = Bouton(QStringLiteral("&Synchroniser avec ces choix"), "avecchoix");
    auto* annuler = Bouton(QStringLiteral("&Annuler"), "annuler");
    connect(garder, &QPushButton::clicked, this, [this] { Terminer(false); });
    connect(avecChoix, &QPushButton::clicked, this, [this] { Terminer(true); });
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch();
    boutons->addWidget(garder);
    boutons->addWidget(avecChoix);
    boutons->addWidget(annuler);
    colonne->addLayout(boutons);
    garder->setFocus();
}

void DialogueConflits::Remplir() {
    auto* table = new QTableWidget(static_cast<int>(conflits_.size()), NombreColonnes);
    table->setObjectName(QStringLiteral("conflits"));
    table->setHorizontalHeaderLabels({QStringLiteral("Table"), QStringLiteral("Identifiant"),
                                      QStringLiteral("Champ"), QStringLiteral("À l'initialisation"),
                                      QStringLiteral("Sur le portable"),
                                      QStringLiteral("Sur le serveur"), QStringLiteral("Choix")});
    table->verticalHeader()->hide();
    table->setSelectionMode(QAbstractItemView::NoSelection);
    for (int ligne = 0; ligne < conflits_.size(); ++ligne) {
        const fusion::Ecart& e = conflits_[ligne];
        table->setItem(ligne, Table, Cellule(e.table));
        table->setItem(ligne, Identifiant, Cellule(QString::number(e.identifiant)));
        table->setItem(ligne, Champ,
                       Cellule(e.champ, e.Fichier()
                                            ? QStringLiteral("Portable : ") + e.fichierLocal +
                                                  QStringLiteral("\nServeur : ") + e.fichierDistant
                                            : QString()));
        const QStringList valeurs = Valeurs(e);
        for (int i = 0; i < valeurs.size(); ++i) {
            table->setItem(ligne, Initiale + i, Cellule(valeurs[i]));
        }
        choix_.append(ChoixPour(e));
        table->setCellWidget(ligne, Choix, choix_.last());
    }
    table->resizeColumnsToContents();
    for (int c = Initiale; c <= Distante; ++c) {
        table->setColumnWidth(c, qMin(table->columnWidth(c), LargeurMaximaleValeur));
    }
    table->horizontalHeader()->setStretchLastSection(true);
    int largeur = table->frameWidth() * 2;
    for (int c = 0; c < NombreColonnes; ++c) {
        largeur += table->columnWidth(c);
    }
    table->setMinimumWidth(qMin(largeur, 1000));
    layout()->addWidget(table);
}

void DialogueConflits::Terminer(bool avecChoix) {
    avecChoix_ = avecChoix;
    accept();
}

QHash<QString, QVariant> DialogueConflits::ChoixRetenus() const {
    QHash<QString, QVariant> retenus;
    if (!avecChoix_) {
        return retenus;
    }
    for (int ligne = 0; ligne < conflits_.size(); ++ligne) {
        const fusion::Ecart& e = conflits_[ligne];
        if (choix_[ligne]->currentIndex() == PrendrePortable &&
            e.champ != fusion::ChampEnregistrement) {
            retenus.insert(e.Cle(), e.distante);
        }
    }
    return retenus;
}

bool ChoisirConflits(QWidget* parent, const QList<fusion::Ecart>& ecarts,
                     QHash<QString, QVariant>& choixLocaux) {
    DialogueConflits dialogue(ecarts, parent);
    if (dialogue.exec() != QDialog::Accepted) {
        return false;
    }
    choixLocaux.insert(dialogue.ChoixRetenus());
    return true;
}
