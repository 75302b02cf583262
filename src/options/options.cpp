#include "options/options.h"

#include "app/fenetre_principale.h"
#include "app/twips.h"
#include "options/aidesecur.h"
#include "platform/chemins.h"
#include "platform/fichiers.h"
#include "platform/services.h"
#include "settings/date_heure.h"
#include "settings/etat.h"
#include "settings/journal.h"
#include "settings/parametres.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

qint16 Valeur(const QCheckBox* c) {
    return c->isChecked() ? 1 : 0;
}

// Two digits 0 to 9: a sign or a blank would pass a number reader ("-1" hours, "+1"...) and arm
// a run at a time nobody typed.
bool DeuxChiffres(const QString& texte) {
    return texte.size() == 2 && std::all_of(texte.cbegin(), texte.cend(), [](QChar c) {
               return c >= QLatin1Char('0') && c <= QLatin1Char('9');
           });
}

QLineEdit* Champ(const char* nom, int longueurMax = 255) {
    auto* champ = new QLineEdit;
    champ->setObjectName(QString::fromLatin1(nom));
    champ->setMinimumWidth(40);
    champ->setMaxLength(longueurMax);
    return champ;
}

QCheckBox* Case(const char* nom, const QString& libelle, const QString& astuce = {}) {
    auto* c = new QCheckBox(libelle);
    c->setObjectName(QString::fromLatin1(nom));
    if (!astuce.isEmpty()) {
        c->setToolTip(astuce);
    }
    return c;
}

} // namespace

DialogueOptions::DialogueOptions(FenetrePrincipale& principale)
    : QDialog(&principale, Qt::Tool | Qt::FramelessWindowHint)
    , principale_(principale) {
    setObjectName(QStringLiteral("options"));
    setWindowTitle(QStringLiteral("Options de synchronisation"));
    QFont police = font();
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive)) {
        police.setFamily(QStringLiteral("Tahoma"));
    }
    police.setPointSize(8);
    setFont(police);
    auto* disposition = new QVBoxLayout(this);
    disposition->setContentsMargins(2, 2, 2, 2);
    disposition->addWidget(ConstruireCadre());
    Timer1.setInterval(50);
    connect(&Timer1, &QTimer::timeout, this, &DialogueOptions::Timer1_Timer);
    Charger();
}

QGroupBox* DialogueOptions::ConstruireCadre() {
    auto* frmopt = new QGroupBox(QStringLiteral("Options de synchronisation"));
    frmopt->setObjectName(QStringLiteral("frmopt"));
    auto* grille = new QGridLayout(frmopt);
    grille->setVerticalSpacing(2);
    grille->setHorizontalSpacing(6);
    auto ligne = [grille](int rang, int colonne, const QString& libelle, QWidget* champ) {
        auto* l = new QLabel(libelle);
        l->setBuddy(champ);
        grille->addWidget(l, rang, colonne * 2);
        grille->addWidget(champ, rang, colonne * 2 + 1);
    };

    c1 = Champ("c1", 1);
    c1->setMaximumWidth(28);
    ligne(0, 0, QStringLiteral("Unité utilisée par Zelvano"), c1);
    const char* nomsDossiers[10] = {"cdir0", "cdir1", "cdir2", "cdir3", "cdir4",
                                    "cdir5", "cdir6", "cdir7", "cdir8", "cdir9"};
    const QString libellesDossiers[10] = {
        QStringLiteral("Dossier Zelvano"),     QStringLiteral("Dossier des courriers"),
        QStringLiteral("Dossier des CRO"),     QStringLiteral("Bases de données"),
        QStringLiteral("Certificats"),         QStringLiteral("Correspondances"),
        QStringLiteral("Dossier des données"), QStringLiteral("Fiches flash"),
        QStringLiteral("Dossier des modèles"), QStringLiteral("Ne pas synchroniser  (robocopy)")};
    for (int i = 0; i < 10; ++i) {
        cdir[i] = Champ(nomsDossiers[i]);
        ligne(i + 1, 0, libellesDossiers[i], cdir[i]);
    }

    cloc = Champ("cloc", 1);
    cloc->setMaximumWidth(28);
    cdist = Champ("cdist");
    cbl = Champ("cbl");
    cbd = Champ("cbd");
    cdpl = Champ("cdpl");
    ccpl = Champ("ccpl");
    cdpd = Champ("cdpd");
    ccpd = Champ("ccpd");
    cini = Champ("cini");
    cexec = Champ("cexec");
    ligne(0, 1, QStringLiteral("Unité d'accès à la base locale"), cloc);
    ligne(1, 1, QStringLiteral("Unité d'accès à la base distante"), cdist);
    ligne(2, 1, QStringLiteral("Libellé bouton base locale"), cbl);
    ligne(3, 1, QStringLiteral("Libellé bouton base distante"), cbd);
    ligne(4, 1, QStringLiteral("Déconnexion P distant (*)"), cdpl);
    ligne(5, 1, QStringLiteral("Connexion P local (*)"), ccpl);
    ligne(6, 1, QStringLiteral("Déconnexion P local (*)"), cdpd);
    ligne(7, 1, QStringLiteral("Connexion P distant (*)"), ccpd);
    ligne(8, 1, QStringLiteral("Fichier INI de Zelvano"), cini);
    ligne(9, 1, QStringLiteral("Copie supplémentaire (*)"), cexec);
    auto* facultatif = new QLabel(QStringLiteral("(*) Facultatif"));
    grille->addWidget(facultatif, 10, 3);

    const QString astuceDifferee =
        QStringLiteral("Différer la synchro à une heure déterminée (la nuit par exemple)");
    cdebug = Case("cdebug", QStringLiteral("Messages de mise au point"),
                  QStringLiteral("Affichage de messages de mise au point de la "
                                 "connexion/déconnexion des unités"));
    cshellS = Case("cshellS", QStringLiteral("Mode exécution synchrone"),
                   QStringLiteral("Cette option sert uniquement à la mise au point, il est "
                                  "déconseillé de la modifier"));
    clog = Case("clog", QStringLiteral("Créer un synchro.log"));
    cnowarning = Case("cnowarning", QStringLiteral("Désact. avertissements"),
                      QStringLiteral("Désactivation des messages d'avertissement"));
    cCopieSec = Case("cCopieSec", QStringLiteral("Copie sécurisée"));
    cModifSeul = Case("cModifSeul", QStringLiteral("Fichiers modifiés uniquement"));
    synchrodifferee =
        Case("synchrodifferee", QStringLiteral("Synchro différée à  (hh:mm)"), astuceDifferee);
    synchrodiffereelea = Champ("synchrodiffereelea", 5);
    synchrodiffereelea->setEnabled(false);
    synchrodiffereelea->setMaximumWidth(60);
    synchrodiffereearret =
        Case("synchrodiffereearret", QStringLiteral("Arreter la machine à la fin de la synchro"),
             astuceDifferee);
    synchrodiffereearret->setEnabled(false);

    Command4 = new QPushButton;
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    Command4->setToolTip(QStringLiteral("Aide sur les différents modes de copie des fichiers"));
    Command4->setFixedSize(22, 22);
    auto* copieSec = new QHBoxLayout;
    copieSec->setContentsMargins(0, 0, 0, 0);
    copieSec->addWidget(cCopieSec);
    copieSec->addWidget(Command4);
    copieSec->addStretch();
    auto* differee = new QHBoxLayout;
    differee->setContentsMargins(0, 0, 0, 0);
    differee->addWidget(synchrodifferee);
    differee->addWidget(synchrodiffereelea);
    differee->addStretch();

    auto* arret = new QHBoxLayout;
    arret->setContentsMargins(0, 0, 0, 0);
    arret->addLayout(differee);
    arret->addWidget(synchrodiffereearret);
    arret->addStretch();

    auto* cases = new QGridLayout;
    cases->setVerticalSpacing(2);
    cases->addWidget(cdebug, 0, 0);
    cases->addWidget(cshellS, 1, 0);
    cases->addWidget(clog, 0, 1);
    cases->addWidget(cnowarning, 1, 1);
    cases->addLayout(copieSec, 0, 2);
    cases->addWidget(cModifSeul, 1, 2);
    cases->addLayout(arret, 2, 0, 1, 3);
    grille->addLayout(cases, 11, 0, 1, 4);

    Command3 = new QPushButton(QStringLiteral("&Visualiser le journal"));
    Command3->setObjectName(QStringLiteral("Command3"));
    Command2 = new QPushButton(QStringLiteral("&Enregistrer les options"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command1 = new QPushButton(QStringLiteral("&Annuler"));
    Command1->setObjectName(QStringLiteral("Command1"));
    auto* boutons = new QHBoxLayout;
    boutons->addWidget(Command3);
    boutons->addStretch();
    boutons->addWidget(Command2);
    boutons->addWidget(Command1);
    grille->addLayout(boutons, 12, 0, 1, 4);

    liens_ = {{&cles::unite, c1},
              {&cles::zelvanodir, cdir[0]},
              {&cles::courrierdir, cdir[1]},
              {&cles::crodir, cdir[2]},
              {&cles::bddir, cdir[3]},
              {&cles::certifdir, cdir[4]},
              {&cles::corresdir, cdir[5]},
              {&cles::datadir, cdir[6]},
              {&cles::flashdir, cdir[7]},
              {&cles::modeledir, cdir[8]},
              {&cles::fmpathServeur, cdist},
              {&cles::fmpathClient, cloc},
              {&cles::inifile, cini},
              {&cles::createlog, nullptr, clog},
              {&cles::messagesdebug, nullptr, cdebug},
              {&cles::shellsynchrone, nullptr, cshellS},
              {&cles::nowarning, nullptr, cnowarning},
              {&cles::copiesecurisee, nullptr, cCopieSec},
              {&cles::modifiesuniquement, nullptr, cModifSeul},
              {&cles::traitementsupp, cexec},
              {&cles::surclient1, cdpl},
              {&cles::surclient2, ccpl},
              {&cles::surserveur1, cdpd},
              {&cles::surserveur2, ccpd},
              {&cles::boutonclient, cbl},
              {&cles::boutonserveur, cbd},
              {&cles::nonsynchro, cdir[9]}};

    // Every change, the value loaded from the file included ("p" shows and saves as "P").
    connect(c1, &QLineEdit::textChanged, this, &DialogueOptions::c1_Change);
    c1->installEventFilter(this);
    principale_.installEventFilter(this);
    cloc->installEventFilter(this);
    connect(cCopieSec, &QCheckBox::clicked, this, [this] { cModifSeul->setEnabled(true); });
    connect(synchrodifferee, &QCheckBox::clicked, this, &DialogueOptions::synchrodifferee_Click);
    connect(Command1, &QPushButton::clicked, this, &DialogueOptions::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &DialogueOptions::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &DialogueOptions::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &DialogueOptions::Command4_Click);
    return frmopt;
}

void DialogueOptions::Charger() {
    // The record's keys from the record, the others (captions, exclusions) from the file when
    // not empty.
    const Parametres& p = Param();
    for (const Lien& lien : liens_) {
        const ChampParametres* champ = ChampDe(*lien.cle);
        if (champ == nullptr) {
            const QString valeur = cles::Lire(*lien.cle);
            if (!valeur.isEmpty()) {
                lien.texte->setText(valeur);
            }
        } else if (lien.texte != nullptr) {
            lien.texte->setText(p.*champ->texte);
        } else {
            lien.coche->setChecked(p.*champ->entier == 1);
        }
    }
    cModifSeul->setEnabled(true);
    if (cles::LireEntier(cles::synchrodifferee) == 1) {
        synchrodifferee->setChecked(true);
        synchrodifferee_Click();
    }
    synchrodiffereearret->setChecked(cles::LireEntier(cles::synchrodiffereearret) == 1);
    // A value longer than its field shows its beginning (the server of "\\serveur\zelvano",
    // the folder of the INI file), not its end.
    for (QLineEdit* champ : findChildren<QLineEdit*>()) {
        champ->setCursorPosition(0);
    }
}

void DialogueOptions::c1_Change() {
    const QString majuscules = c1->text().toUpper();
    const QString lettre = cles::Regler(cles::unite, c1->text());
    if (lettre != c1->text()) {
        c1->setText(lettre);
    }
    if (lettre != majuscules) {
        c1->selectAll();
    }
}

void DialogueOptions::cloc_LostFocus() {
    const QString lettre = cles::Regler(cles::fmpathClient, cloc->text());
    if (lettre != cloc->text()) {
        cloc->setText(lettre);
        cloc->selectAll();
    }
}

bool DialogueOptions::eventFilter(QObject* objet, QEvent* evenement) {
    if (objet == c1 && evenement->type() == QEvent::FocusIn) {
        c1->selectAll();
    } else if (objet == cloc && evenement->type() == QEvent::FocusOut) {
        cloc_LostFocus();
    } else if (objet == &principale_ && evenement->type() == QEvent::Move && isVisible()) {
        // Dragged by its title bar, the main window may keep the focus the whole time (or the
        // window manager give it to nobody): the dialog follows each move, not only the moves
        // Timer1 sees.
        principale_.PlacerOptions(*this);
    }
    return QDialog::eventFilter(objet, evenement);
}

void DialogueOptions::synchrodifferee_Click() {
    const bool coche = synchrodifferee->isChecked();
    synchrodiffereelea->setEnabled(coche);
    synchrodiffereearret->setEnabled(coche);
    if (!coche) {
        return;
    }
    synchrodiffereelea->clear();
    if (const auto moment = LireDateHeure(cles::Lire(cles::synchrodiffereelea))) {
        synchrodiffereelea->setText(moment->toString(QStringLiteral("HH:mm")));
    }
}

bool DialogueOptions::HeureDiffereeValide(const QString& t) {
    QString message;
    if (t.size() != 5 || t.mid(2, 1) != QLatin1String(":") || !DeuxChiffres(t.mid(0, 2)) ||
        !DeuxChiffres(t.mid(3, 2))) {
        message = QStringLiteral("Format d'heure de synchro différée invalide (hh:mm)");
    } else if (t.mid(0, 2).toInt() > 23 || t.mid(3, 2).toInt() > 59) {
        message = QStringLiteral("Heure de synchro différée invalide (hh:mm)");
    }
    if (message.isEmpty()) {
        return true;
    }
    plateforme::MsgBox(message, plateforme::mb::OKOnly, QApplication::applicationName());
    return false;
}

void DialogueOptions::EnregistrerSynchroDifferee() {
    if (!synchrodiffereelea->isEnabled()) {
        cles::Ecrire(cles::synchrodifferee, 0);
        return;
    }
    const QString t = synchrodiffereelea->text();
    cles::Ecrire(cles::synchrodifferee, 1);
    const QDateTime maintenant = plateforme::Maintenant();
    const QTime heure(t.mid(0, 2).toInt(), t.mid(3, 2).toInt());
    QDateTime moment(maintenant.date(), heure);
    if (moment < maintenant) {
        moment = moment.addDays(1);
    }
    principale_.Timersynchro().start();
    cles::Ecrire(cles::synchrodiffereelea, EcrireDateHeure(moment));
    cles::Ecrire(cles::synchrodiffereearret, Valeur(synchrodiffereearret));
}

void DialogueOptions::CopierDansParametres() {
    Parametres& p = Param();
    for (const Lien& lien : liens_) {
        if (const ChampParametres* champ = ChampDe(*lien.cle)) {
            if (lien.texte != nullptr) {
                p.*champ->texte = cles::Garder(*lien.cle, lien.texte->text());
            } else {
                p.*champ->entier = Valeur(lien.coche);
            }
        }
    }
}

// The record's keys from the record, so that the record and the file agree without reading
// the file again; the others from their fields.
void DialogueOptions::EcrireReglages() {
    const Parametres& p = Param();
    for (const Lien& lien : liens_) {
        const ChampParametres* champ = ChampDe(*lien.cle);
        if (champ == nullptr) {
            cles::Ecrire(*lien.cle, lien.texte->text());
        } else if (champ->texte != nullptr) {
            cles::Ecrire(*lien.cle, p.*champ->texte);
        } else {
            cles::Ecrire(*lien.cle, p.*champ->entier);
        }
    }
}

void DialogueOptions::Command2_Click() {
    if (synchrodiffereelea->isEnabled() && !HeureDiffereeValide(synchrodiffereelea->text())) {
        return;
    }
    EnregistrerSynchroDifferee();
    CopierDansParametres();
    EcrireReglages();
    const QString boutonclient = cles::Lire(cles::boutonclient);
    if (!boutonclient.isEmpty()) {
        principale_.DefinirLibelle(Bouton::client, boutonclient);
    }
    const QString boutonserveur = cles::Lire(cles::boutonserveur);
    if (!boutonserveur.isEmpty()) {
        principale_.DefinirLibelle(Bouton::serveur, boutonserveur);
    }
    Fermer();
}

void DialogueOptions::Command1_Click() {
    Fermer();
}

void DialogueOptions::Fermer() {
    Timer1.stop();
    FenetrePrincipale& principale = principale_;
    principale.DeplierFenetre(false);
    principale.AfficherOptions(false);
    principale.ActiverBoutons(true, true, true, true, std::nullopt, true);
}

void DialogueOptions::Command3_Click() {
    const QString chemin = CheminJournal();
    if (plateforme::FichierExiste(chemin)) {
        // The desktop's text viewer stands in for the editor, maximised, not waited for.
        const QString natif = plateforme::CheminNatif(chemin);
        if (plateforme::ServicesCourants().processus->Demarrer(
                QStringLiteral("xdg-open \"") + natif + QLatin1Char('"'), 3) == 0) {
            plateforme::MsgBox(QStringLiteral("Impossible d'afficher le fichier journal '") +
                                   chemin +
                                   QStringLiteral("' : le programme d'affichage xdg-open n'a "
                                                  "pas pu être lancé."),
                               plateforme::mb::Exclamation | plateforme::mb::OKOnly, TitreModule);
        }
        return;
    }
    plateforme::MsgBox(QStringLiteral("Fichier journal '") + chemin +
                           QStringLiteral("' non trouvé."),
                       plateforme::mb::Information | plateforme::mb::OKOnly, TitreModule);
}

void DialogueOptions::Command4_Click() {
    AideSecur aide(this);
    aide.exec();
}

void DialogueOptions::changeEvent(QEvent* evenement) {
    if (evenement->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            Timer1.stop();
        } else {
            Timer1.start();
        }
    }
    QDialog::changeEvent(evenement);
}

void DialogueOptions::Timer1_Timer() {
    // Moves in any direction: a window dragged sideways must not leave the dialog behind, over
    // another window or its own title bar.
    const QString position = QStringLiteral("%1,%2").arg(principale_.x()).arg(principale_.y());
    if (position != tagTimer1_) {
        tagTimer1_ = position;
        principale_.PlacerOptions(*this);
        return;
    }
    Command1->setFocus();
    activateWindow();
    Timer1.stop();
}
