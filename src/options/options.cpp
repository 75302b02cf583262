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

const QString general = QStringLiteral("general");
const QString options = QStringLiteral("options");
const QString synchro = QStringLiteral("synchro");

QString Drapeau(const QCheckBox* c) {
    return c->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

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

QString LettreUnite(const QString& texte, const QString& remplacement) {
    const QString t = texte.toUpper();
    if (t > QLatin1String("Z") || t < QLatin1String("A")) {
        return remplacement;
    }
    return t;
}

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
    const Parametres& p = Param();
    c1->setText(p.unite);
    const QString* dossiers[9] = {&p.zelvanodir, &p.courrierdir, &p.crodir,
                                  &p.bddir,      &p.certifdir,   &p.corresdir,
                                  &p.datadir,    &p.flashdir,    &p.modeledir};
    for (int i = 0; i < 9; ++i) {
        cdir[i]->setText(*dossiers[i]);
    }
    cloc->setText(p.fmpathClient);
    cdist->setText(p.fmpathServeur);
    cdpl->setText(p.surclient1);
    ccpl->setText(p.surclient2);
    cdpd->setText(p.surserveur1);
    ccpd->setText(p.surserveur2);
    cini->setText(p.inifile);
    cexec->setText(p.traitementsupp);
    clog->setChecked(p.createlog == 1);
    cdebug->setChecked(p.messagesdebug == 1);
    cshellS->setChecked(p.shellsynchrone == 1);
    cnowarning->setChecked(p.nowarning == 1);
    cCopieSec->setChecked(p.copiesecurisee == 1);
    cModifSeul->setChecked(p.modifiesuniquement == 1);
    cModifSeul->setEnabled(true);

    const QString boutonclient = LireCle(options, QStringLiteral("boutonclient"));
    if (!boutonclient.isEmpty()) {
        cbl->setText(boutonclient);
    }
    const QString boutonserveur = LireCle(options, QStringLiteral("boutonserveur"));
    if (!boutonserveur.isEmpty()) {
        cbd->setText(boutonserveur);
    }
    if (LireCleEntier(options, QStringLiteral("synchrodifferee"), 0) == 1) {
        synchrodifferee->setChecked(true);
        synchrodifferee_Click();
    }
    synchrodiffereearret->setChecked(
        LireCleEntier(options, QStringLiteral("synchrodiffereearret"), 0) == 1);
    const QString nonsynchro = LireCle(options, QStringLiteral("nonsynchro"));
    if (!nonsynchro.isEmpty()) {
        cdir[9]->setText(nonsynchro);
    }
    // A value longer than its field shows its beginning (the server of "\\serveur\zelvano",
    // the folder of the INI file), not its end.
    for (QLineEdit* champ : findChildren<QLineEdit*>()) {
        champ->setCursorPosition(0);
    }
}

void DialogueOptions::c1_Change() {
    const QString majuscules = c1->text().toUpper();
    const QString lettre = LettreUnite(c1->text(), QStringLiteral("P"));
    if (lettre != c1->text()) {
        c1->setText(lettre);
    }
    if (lettre != majuscules) {
        c1->selectAll();
    }
}

void DialogueOptions::cloc_LostFocus() {
    const QString lettre = LettreUnite(cloc->text(), QStringLiteral("C"));
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
    if (const auto moment = LireDateHeure(LireCle(options, QStringLiteral("synchrodiffereelea")))) {
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
        EcrireCle(options, QStringLiteral("synchrodifferee"), QStringLiteral("0"));
        return;
    }
    const QString t = synchrodiffereelea->text();
    EcrireCle(options, QStringLiteral("synchrodifferee"), QStringLiteral("1"));
    const QDateTime maintenant = plateforme::Maintenant();
    const QTime heure(t.mid(0, 2).toInt(), t.mid(3, 2).toInt());
    QDateTime moment(maintenant.date(), heure);
    if (moment < maintenant) {
        moment = moment.addDays(1);
    }
    principale_.Timersynchro().start();
    EcrireCle(options, QStringLiteral("synchrodiffereelea"), EcrireDateHeure(moment));
    EcrireCle(options, QStringLiteral("synchrodiffereearret"), Drapeau(synchrodiffereearret));
}

void DialogueOptions::CopierDansParametres() {
    Parametres& p = Param();
    p.unite = c1->text().left(1);
    p.surserveur2 = ccpd->text();
    p.surclient2 = ccpl->text();
    QString* dossiers[9] = {&p.zelvanodir, &p.courrierdir, &p.crodir,   &p.bddir,    &p.certifdir,
                            &p.corresdir,  &p.datadir,     &p.flashdir, &p.modeledir};
    for (int i = 0; i < 9; ++i) {
        *dossiers[i] = cdir[i]->text();
    }
    p.fmpathServeur = cdist->text();
    p.surserveur1 = cdpd->text();
    p.surclient1 = cdpl->text();
    p.traitementsupp = cexec->text();
    p.inifile = cini->text();
    p.createlog = Valeur(clog);
    p.messagesdebug = Valeur(cdebug);
    p.shellsynchrone = Valeur(cshellS);
    p.nowarning = Valeur(cnowarning);
    p.copiesecurisee = Valeur(cCopieSec);
    p.modifiesuniquement = Valeur(cModifSeul);
    p.fmpathClient = cloc->text();
}

void DialogueOptions::EcrireReglages() {
    const Parametres& p = Param();
    EcrireCle(general, QStringLiteral("unite"), p.unite);
    const QString cles[9] = {
        QStringLiteral("zelvanodir"), QStringLiteral("courrierdir"), QStringLiteral("crodir"),
        QStringLiteral("bddir"),      QStringLiteral("certifdir"),   QStringLiteral("corresdir"),
        QStringLiteral("datadir"),    QStringLiteral("flashdir"),    QStringLiteral("modeledir")};
    const QString* dossiers[9] = {&p.zelvanodir, &p.courrierdir, &p.crodir,
                                  &p.bddir,      &p.certifdir,   &p.corresdir,
                                  &p.datadir,    &p.flashdir,    &p.modeledir};
    for (int i = 0; i < 9; ++i) {
        EcrireCle(general, cles[i], *dossiers[i]);
    }
    EcrireCle(QStringLiteral("serveur"), QStringLiteral("fmpath"), p.fmpathServeur);
    EcrireCle(QStringLiteral("client"), QStringLiteral("fmpath"), p.fmpathClient);
    EcrireCle(general, QStringLiteral("inifile"), p.inifile);
    EcrireCle(options, QStringLiteral("createlog"), QString::number(p.createlog));
    EcrireCle(options, QStringLiteral("messagesdebug"), QString::number(p.messagesdebug));
    EcrireCle(options, QStringLiteral("shellsynchrone"), QString::number(p.shellsynchrone));
    EcrireCle(options, QStringLiteral("nowarning"), QString::number(p.nowarning));
    EcrireCle(options, QStringLiteral("copiesecurisee"), QString::number(p.copiesecurisee));
    EcrireCle(options, QStringLiteral("modifiesuniquement"), QString::number(p.modifiesuniquement));
    EcrireCle(synchro, QStringLiteral("traitementsupp"), p.traitementsupp);
    EcrireCle(synchro, QStringLiteral("surclient1"), p.surclient1);
    EcrireCle(synchro, QStringLiteral("surclient2"), p.surclient2);
    EcrireCle(synchro, QStringLiteral("surserveur1"), p.surserveur1);
    EcrireCle(synchro, QStringLiteral("surserveur2"), p.surserveur2);
    EcrireCle(options, QStringLiteral("boutonclient"), cbl->text());
    EcrireCle(options, QStringLiteral("boutonserveur"), cbd->text());
}

void DialogueOptions::Command2_Click() {
    if (synchrodiffereelea->isEnabled() && !HeureDiffereeValide(synchrodiffereelea->text())) {
        return;
    }
    EnregistrerSynchroDifferee();
    CopierDansParametres();
    EcrireReglages();
    const QString boutonclient = LireCle(options, QStringLiteral("boutonclient"));
    if (!boutonclient.isEmpty()) {
        principale_.DefinirLibelle(Bouton::client, boutonclient);
    }
    const QString boutonserveur = LireCle(options, QStringLiteral("boutonserveur"));
    if (!boutonserveur.isEmpty()) {
        principale_.DefinirLibelle(Bouton::serveur, boutonserveur);
    }
    EcrireCle(options, QStringLiteral("nonsynchro"), cdir[9]->text());
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
